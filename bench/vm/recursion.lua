-- Recursive calls: the naive Fibonacci function, fib(18) 300 times.
local function fib(n)
  if n < 2 then return n end
  return fib(n - 1) + fib(n - 2)
end
local function run(times)
  local s = 0
  for k = 1, times do s = s + fib(18) end
  return s
end
print(run(300))
