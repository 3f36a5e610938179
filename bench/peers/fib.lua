-- expect: 196418
-- Recursive calls: Fib(27) makes about 630,000 calls of a user function.
local function Fib(n)
  if n < 2 then
    return n
  else
    return Fib(n - 1) + Fib(n - 2)
  end
end

print(Fib(27))
