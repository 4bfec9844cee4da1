-- Binary trees: build complete trees of depths 4 to 10 and count their
-- nodes, 64 rounds.
local Node = {}
Node.__index = Node
function Node.new(l, r)
  local self = setmetatable({}, Node)
  self.left = l
  self.right = r
  return self
end
local function make(d)
  if d == 0 then return Node.new(nil, nil) end
  return Node.new(make(d - 1), make(d - 1))
end
local function check(t)
  if t.left == nil then return 1 end
  return 1 + check(t.left) + check(t.right)
end
local function run(maxDepth, rounds)
  local total = 0
  for r = 1, rounds do for d = 4, maxDepth, 2 do
    local n = 1
    for i = d, maxDepth - 1 do n = n * 2 end
    for i = 1, n do
      local t = make(d)
      total = total + check(t)
    end
  end
  end
  return total
end
print(run(10, 64))
