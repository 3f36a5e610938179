// expect: 78498
// Array indexing: the sieve of Eratosthenes up to 1,000,000 on a Boolean array.
// Marking stops at 1000 (the square root of the limit) so that i * i stays small.
var
  flags: array[0..1000000] of Boolean;
  i, j, count: Integer;
begin
  for i := 0 to 1000000 do
    flags[i] := True;
  flags[0] := False;
  flags[1] := False;
  for i := 2 to 1000 do
    if flags[i] then
    begin
      j := i * i;
      while j <= 1000000 do
      begin
        flags[j] := False;
        j := j + i
      end
    end;
  count := 0;
  for i := 2 to 1000000 do
    if flags[i] then
      count := count + 1;
  ShowMessage(count)
end.
