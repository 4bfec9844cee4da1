-- Hash table: 1e5 puts of spread integer keys, then 1e5 gets, ten rounds.
local function run(n, rounds)
  local s = 0
  for r = 1, rounds do
    local h = {}
    for i = 0, n - 1 do h[i * 7919 % 1000003] = i % 10 end
    for i = 0, n - 1 do s = s + h[i * 7919 % 1000003] end
  end
  return s
end
print(run(100000, 10))
