// expect: 200000
// String growth: 200,000 appends of one character to the same variable.
var
  i: Integer;
  s: String;
begin
  s := '';
  for i := 1 to 200000 do
    s := s + 'x';
  ShowMessage(Length(s))
end.
