-- 3e6 method calls on one object.
local Counter = {}
Counter.__index = Counter
function Counter:inc(d)
  self.count = self.count + d
  return self.count
end
local function run(n, c)
  local i = 0
  while i < n do
    c:inc(1)
    i = i + 1
  end
  return c.count
end
print(run(3000000, setmetatable({count = 0}, Counter)))
