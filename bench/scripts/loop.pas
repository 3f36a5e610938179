// expect: 10000001
// A plain counting loop: ten million iterations of integer arithmetic and one test.
var
  i, s: Integer;
begin
  s := 0;
  for i := 1 to 10000000 do
    if i mod 3 = 0 then
      s := s + i mod 7;
  ShowMessage(s)
end.
