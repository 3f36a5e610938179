-- expect: 415128
-- Nested counting loops: 1000 x 1000 iterations with a compound condition.
local count = 0
for i = 1, 1000 do
  for j = 1, 1000 do
    if ((i + j) % 3 == 0) or ((i * j) % 7 == 1) then
      count = count + 1
    end
  end
end
print(count)
