-- 1e5 array appends, then 1e5 indexed reads, in 20 rounds.
local function run(n, rounds)
  local s = 0
  for r = 1, rounds do
    local a = {}
    local i = 0
    while i < n do
      a[#a + 1] = i % 1000
      i = i + 1
    end
    i = 0
    while i < n do
      s = s + a[i + 1]
      i = i + 1
    end
  end
  return s
end
print(run(100000, 20))
