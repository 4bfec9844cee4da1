-- 1e6 object creations, each with two members set by its constructor.
local Point = {}
Point.__index = Point
function Point.new(a, b)
  local self = setmetatable({}, Point)
  self.x = a
  self.y = b
  return self
end
local function run(n)
  local s = 0
  local i = 0
  while i < n do
    local p = Point.new(i, 1)
    s = s + p.y
    i = i + 1
  end
  return s
end
print(run(1000000))
