// expect: 415128
// Nested counting loops: 1000 x 1000 iterations with a compound condition.
var
  i, j, count: Integer;
begin
  count := 0;
  for i := 1 to 1000 do
    for j := 1 to 1000 do
      if ((i + j) mod 3 = 0) or ((i * j) mod 7 = 1) then
        count := count + 1;
  ShowMessage(count)
end.
