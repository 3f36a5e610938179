-- expect: 78498
-- Array indexing: the sieve of Eratosthenes up to 1,000,000 on a Boolean array.
-- Marking stops at 1000 (the square root of the limit) so that i * i stays small.
local flags = {}
for i = 0, 1000000 do
  flags[i] = true
end
flags[0] = false
flags[1] = false
for i = 2, 1000 do
  if flags[i] then
    local j = i * i
    while j <= 1000000 do
      flags[j] = false
      j = j + i
    end
  end
end
local count = 0
for i = 2, 1000000 do
  if flags[i] then
    count = count + 1
  end
end
print(count)
