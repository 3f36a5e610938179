-- expect: 10000001
-- A plain counting loop: ten million iterations of integer arithmetic and one test.
local s = 0
for i = 1, 10000000 do
  if i % 3 == 0 then
    s = s + i % 7
  end
end
print(s)
