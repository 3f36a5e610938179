-- expect: 200000
-- String growth: 200,000 appends of one character to the same variable.
local s = ''
for i = 1, 200000 do
  s = s .. 'x'
end
print(#s)
