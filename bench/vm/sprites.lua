-- A sprite's main loop: 100 objects move and bounce for 10000 frames.
local Sprite = {}
Sprite.__index = Sprite
function Sprite.new(i)
  local self = setmetatable({}, Sprite)
  self.x = i * 7 % 640
  self.y = i * 13 % 480
  self.vx = i % 5 + 1
  self.vy = i % 3 + 1
  return self
end
function Sprite:move()
  self.x = self.x + self.vx
  self.y = self.y + self.vy
  if self.x < 0 or self.x > 640 then self.vx = -self.vx end
  if self.y < 0 or self.y > 480 then self.vy = -self.vy end
end
local function run(count, frames)
  local a = {}
  for i = 0, count - 1 do a[#a + 1] = Sprite.new(i) end
  for f = 1, frames do
    for _, s in ipairs(a) do s:move() end
  end
  local sum = 0
  for _, s in ipairs(a) do sum = sum + s.x + s.y end
  return sum
end
print(run(100, 10000))
