-- 3e4 string concatenations growing one string.
local function run(n)
  local s = ""
  local i = 0
  while i < n do
    s = s .. "ab"
    i = i + 1
  end
  return #s
end
print(run(30000))
