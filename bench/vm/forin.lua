-- for-in over an array of 1e5 cells, 50 times.
local function run(n, times)
  local a = {}
  for i = 0, n - 1 do a[#a + 1] = i % 100 end
  local s = 0
  for k = 1, times do
    for _, v in ipairs(a) do s = s + v end
  end
  return s
end
print(run(100000, 50))
