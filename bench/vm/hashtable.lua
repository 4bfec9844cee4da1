-- Hash table: 1e5 puts of spread integer keys, then 1e5 gets.
local function run(n)
  local h = {}
  for i = 0, n - 1 do h[i * 7919 % 1000003] = i % 10 end
  local s = 0
  for i = 0, n - 1 do s = s + h[i * 7919 % 1000003] end
  return s
end
print(run(100000))
