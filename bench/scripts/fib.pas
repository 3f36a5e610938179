// expect: 196418
// Recursive calls: Fib(27) makes about 630,000 calls of a user function.
function Fib(n: Integer): Integer;
begin
  if n < 2 then
    Result := n
  else
    Result := Fib(n - 1) + Fib(n - 2)
end;

begin
  ShowMessage(Fib(27))
end.
