-- 1e7 integer additions in a counting loop.
local function run(n)
  local s = 0
  local i = 0
  while i < n do
    s = s + i % 100
    i = i + 1
  end
  return s
end
print(run(10000000))
