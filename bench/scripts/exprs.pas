// expect: 294951361
// Report-style expressions: 200 small functions (arithmetic, string concatenation,
// comparisons, if/else choices and calls of user functions), each called 10,000 times
// by one driver loop; the checksum of all results is printed.

function Max2(a, b: Integer): Integer;
begin
  if a > b then Result := a else Result := b
end;

function Min2(a, b: Integer): Integer;
begin
  if a < b then Result := a else Result := b
end;

function Clamp(x, lo, hi: Integer): Integer;
begin
  Result := Min2(Max2(x, lo), hi)
end;

function E001(k: Integer): Integer;
begin
  Result := (k * 38 + 786) mod 398
end;

function E002(k: Integer): Integer;
begin
  if k mod 13 = 0 then Result := 192 else Result := 215
end;

function E003(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 0 then s := 'Invoice' else s := 'Kiwis';
  s := s + ' / ' + 'Olives';
  if s = 'Invoice / Olives' then Result := 315 else Result := 395
end;

function E004(k: Integer): Integer;
begin
  if k / 23 > 351 then Result := 13 else Result := 395
end;

function E005(k: Integer): Integer;
begin
  if ((k > 4036) and (k mod 5 <> 0)) or (k < 1552) then Result := 99 else Result := 1
end;

function E006(k: Integer): Integer;
begin
  Result := Max2(k mod 31, k mod 33) - Min2(k mod 22, k mod 31) + 134
end;

function E007(k: Integer): Integer;
var
  s, t: String;
begin
  if k mod 3 = 0 then s := 'Flour' else if k mod 3 = 1 then s := 'Lemons' else s := 'Nuts';
  t := 'Grapes';
  if ('Olives ' + s) < ('Olives ' + t) then Result := 322 else Result := 23
end;

function E008(k: Integer): Integer;
begin
  Result := ((k div 19) * 22 + k mod 38) mod 207
end;

function E009(k: Integer): Integer;
begin
  if k mod 37 < 17 then Result := 1 else if k mod 37 < 31 then Result := 2 else Result := 3
end;

function E010(k: Integer): Integer;
begin
  if not ((k mod 6 = 0) xor (k mod 5 = 0)) then Result := 217 else Result := 321
end;

function E011(k: Integer): Integer;
var
  total: Double;
begin
  total := k * 1.25 + 20 * 0.5;
  if total >= 7397 then Result := 387 else Result := 296
end;

function E012(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 1 then s := 'Olives' else s := 'Bread';
  if ('Dates' + ' ' + s) <> 'Dates Olives' then Result := 109 else Result := 194
end;

function E013(k: Integer): Integer;
begin
  Result := (-(k mod 21) + 21 * 2) mod 34
end;

function E014(k: Integer): Integer;
begin
  Result := Clamp(k mod 108 - 7, 0, 267)
end;

function E015(k: Integer): Integer;
begin
  Result := (k * 15 + 601) mod 369
end;

function E016(k: Integer): Integer;
begin
  if k mod 5 = 0 then Result := 278 else Result := 175
end;

function E017(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 0 then s := 'Grapes' else s := 'Flour';
  s := s + ' / ' + 'Jars';
  if s = 'Grapes / Jars' then Result := 42 else Result := 147
end;

function E018(k: Integer): Integer;
begin
  if k / 50 > 278 then Result := 201 else Result := 358
end;

function E019(k: Integer): Integer;
begin
  if ((k > 2229) and (k mod 4 <> 0)) or (k < 1954) then Result := 304 else Result := 1
end;

function E020(k: Integer): Integer;
begin
  Result := Max2(k mod 65, k mod 37) - Min2(k mod 82, k mod 65) + 55
end;

function E021(k: Integer): Integer;
var
  s, t: String;
begin
  if k mod 3 = 0 then s := 'Grapes' else if k mod 3 = 1 then s := 'Eggs' else s := 'Pears';
  t := 'Cheese';
  if ('Kiwis ' + s) < ('Kiwis ' + t) then Result := 21 else Result := 397
end;

function E022(k: Integer): Integer;
begin
  Result := ((k div 11) * 12 + k mod 38) mod 183
end;

function E023(k: Integer): Integer;
begin
  if k mod 42 < 30 then Result := 1 else if k mod 42 < 33 then Result := 2 else Result := 3
end;

function E024(k: Integer): Integer;
begin
  if not ((k mod 6 = 0) xor (k mod 11 = 0)) then Result := 286 else Result := 297
end;

function E025(k: Integer): Integer;
var
  total: Double;
begin
  total := k * 1.25 + 26 * 0.5;
  if total >= 4663 then Result := 269 else Result := 325
end;

function E026(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 1 then s := 'Melons' else s := 'Kiwis';
  if ('Olives' + ' ' + s) <> 'Olives Melons' then Result := 283 else Result := 163
end;

function E027(k: Integer): Integer;
begin
  Result := (-(k mod 23) + 23 * 2) mod 141
end;

function E028(k: Integer): Integer;
begin
  Result := Clamp(k mod 53 - 69, 0, 71)
end;

function E029(k: Integer): Integer;
begin
  Result := (k * 82 + 877) mod 87
end;

function E030(k: Integer): Integer;
begin
  if k mod 5 = 0 then Result := 114 else Result := 106
end;

function E031(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 0 then s := 'Olives' else s := 'Bread';
  s := s + ' / ' + 'Dates';
  if s = 'Olives / Dates' then Result := 353 else Result := 217
end;

function E032(k: Integer): Integer;
begin
  if k / 6 > 337 then Result := 197 else Result := 200
end;

function E033(k: Integer): Integer;
begin
  if ((k > 3531) and (k mod 3 <> 0)) or (k < 604) then Result := 113 else Result := 1
end;

function E034(k: Integer): Integer;
begin
  Result := Max2(k mod 45, k mod 82) - Min2(k mod 50, k mod 45) + 15
end;

function E035(k: Integer): Integer;
var
  s, t: String;
begin
  if k mod 3 = 0 then s := 'Lemons' else if k mod 3 = 1 then s := 'Eggs' else s := 'Grapes';
  t := 'Melons';
  if ('Honey ' + s) < ('Honey ' + t) then Result := 249 else Result := 271
end;

function E036(k: Integer): Integer;
begin
  Result := ((k div 17) * 2 + k mod 40) mod 307
end;

function E037(k: Integer): Integer;
begin
  if k mod 50 < 27 then Result := 1 else if k mod 50 < 31 then Result := 2 else Result := 3
end;

function E038(k: Integer): Integer;
begin
  if not ((k mod 7 = 0) xor (k mod 3 = 0)) then Result := 331 else Result := 331
end;

function E039(k: Integer): Integer;
var
  total: Double;
begin
  total := k * 1.25 + 58 * 0.5;
  if total >= 6275 then Result := 273 else Result := 270
end;

function E040(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 1 then s := 'Eggs' else s := 'Nuts';
  if ('Melons' + ' ' + s) <> 'Melons Eggs' then Result := 32 else Result := 284
end;

function E041(k: Integer): Integer;
begin
  Result := (-(k mod 9) + 9 * 8) mod 61
end;

function E042(k: Integer): Integer;
begin
  Result := Clamp(k mod 74 - 37, 0, 94)
end;

function E043(k: Integer): Integer;
begin
  Result := (k * 72 + 781) mod 268
end;

function E044(k: Integer): Integer;
begin
  if k mod 6 = 0 then Result := 174 else Result := 88
end;

function E045(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 0 then s := 'Grapes' else s := 'Kiwis';
  s := s + ' / ' + 'Apples';
  if s = 'Grapes / Apples' then Result := 284 else Result := 223
end;

function E046(k: Integer): Integer;
begin
  if k / 38 > 58 then Result := 236 else Result := 2
end;

function E047(k: Integer): Integer;
begin
  if ((k > 1095) and (k mod 2 <> 0)) or (k < 1427) then Result := 57 else Result := 1
end;

function E048(k: Integer): Integer;
begin
  Result := Max2(k mod 64, k mod 65) - Min2(k mod 34, k mod 64) + 185
end;

function E049(k: Integer): Integer;
var
  s, t: String;
begin
  if k mod 3 = 0 then s := 'Invoice' else if k mod 3 = 1 then s := 'Melons' else s := 'Dates';
  t := 'Kiwis';
  if ('Pears ' + s) < ('Pears ' + t) then Result := 190 else Result := 172
end;

function E050(k: Integer): Integer;
begin
  Result := ((k div 4) * 20 + k mod 59) mod 392
end;

function E051(k: Integer): Integer;
begin
  if k mod 34 < 11 then Result := 1 else if k mod 34 < 19 then Result := 2 else Result := 3
end;

function E052(k: Integer): Integer;
begin
  if not ((k mod 4 = 0) xor (k mod 3 = 0)) then Result := 145 else Result := 385
end;

function E053(k: Integer): Integer;
var
  total: Double;
begin
  total := k * 1.25 + 26 * 0.5;
  if total >= 7579 then Result := 46 else Result := 210
end;

function E054(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 1 then s := 'Nuts' else s := 'Invoice';
  if ('Lemons' + ' ' + s) <> 'Lemons Nuts' then Result := 355 else Result := 294
end;

function E055(k: Integer): Integer;
begin
  Result := (-(k mod 25) + 25 * 17) mod 285
end;

function E056(k: Integer): Integer;
begin
  Result := Clamp(k mod 243 - 5, 0, 43)
end;

function E057(k: Integer): Integer;
begin
  Result := (k * 71 + 129) mod 318
end;

function E058(k: Integer): Integer;
begin
  if k mod 13 = 0 then Result := 282 else Result := 4
end;

function E059(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 0 then s := 'Lemons' else s := 'Grapes';
  s := s + ' / ' + 'Eggs';
  if s = 'Lemons / Eggs' then Result := 394 else Result := 58
end;

function E060(k: Integer): Integer;
begin
  if k / 27 > 308 then Result := 319 else Result := 128
end;

function E061(k: Integer): Integer;
begin
  if ((k > 6579) and (k mod 5 <> 0)) or (k < 982) then Result := 323 else Result := 1
end;

function E062(k: Integer): Integer;
begin
  Result := Max2(k mod 9, k mod 15) - Min2(k mod 51, k mod 9) + 130
end;

function E063(k: Integer): Integer;
var
  s, t: String;
begin
  if k mod 3 = 0 then s := 'Pears' else if k mod 3 = 1 then s := 'Honey' else s := 'Kiwis';
  t := 'Olives';
  if ('Eggs ' + s) < ('Eggs ' + t) then Result := 46 else Result := 355
end;

function E064(k: Integer): Integer;
begin
  Result := ((k div 46) * 6 + k mod 26) mod 390
end;

function E065(k: Integer): Integer;
begin
  if k mod 12 < 9 then Result := 1 else if k mod 12 < 11 then Result := 2 else Result := 3
end;

function E066(k: Integer): Integer;
begin
  if not ((k mod 11 = 0) xor (k mod 7 = 0)) then Result := 134 else Result := 82
end;

function E067(k: Integer): Integer;
var
  total: Double;
begin
  total := k * 1.25 + 92 * 0.5;
  if total >= 1029 then Result := 52 else Result := 56
end;

function E068(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 1 then s := 'Flour' else s := 'Melons';
  if ('Honey' + ' ' + s) <> 'Honey Flour' then Result := 341 else Result := 305
end;

function E069(k: Integer): Integer;
begin
  Result := (-(k mod 40) + 40 * 16) mod 398
end;

function E070(k: Integer): Integer;
begin
  Result := Clamp(k mod 199 - 70, 0, 258)
end;

function E071(k: Integer): Integer;
begin
  Result := (k * 38 + 974) mod 335
end;

function E072(k: Integer): Integer;
begin
  if k mod 2 = 0 then Result := 173 else Result := 129
end;

function E073(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 0 then s := 'Kiwis' else s := 'Olives';
  s := s + ' / ' + 'Invoice';
  if s = 'Kiwis / Invoice' then Result := 165 else Result := 259
end;

function E074(k: Integer): Integer;
begin
  if k / 44 > 371 then Result := 292 else Result := 154
end;

function E075(k: Integer): Integer;
begin
  if ((k > 3766) and (k mod 6 <> 0)) or (k < 434) then Result := 201 else Result := 1
end;

function E076(k: Integer): Integer;
begin
  Result := Max2(k mod 9, k mod 15) - Min2(k mod 72, k mod 9) + 136
end;

function E077(k: Integer): Integer;
var
  s, t: String;
begin
  if k mod 3 = 0 then s := 'Kiwis' else if k mod 3 = 1 then s := 'Dates' else s := 'Invoice';
  t := 'Eggs';
  if ('Bread ' + s) < ('Bread ' + t) then Result := 281 else Result := 101
end;

function E078(k: Integer): Integer;
begin
  Result := ((k div 26) * 4 + k mod 33) mod 198
end;

function E079(k: Integer): Integer;
begin
  if k mod 10 < 5 then Result := 1 else if k mod 10 < 6 then Result := 2 else Result := 3
end;

function E080(k: Integer): Integer;
begin
  if not ((k mod 11 = 0) xor (k mod 9 = 0)) then Result := 170 else Result := 226
end;

function E081(k: Integer): Integer;
var
  total: Double;
begin
  total := k * 1.25 + 18 * 0.5;
  if total >= 5818 then Result := 73 else Result := 220
end;

function E082(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 1 then s := 'Jars' else s := 'Dates';
  if ('Flour' + ' ' + s) <> 'Flour Jars' then Result := 2 else Result := 359
end;

function E083(k: Integer): Integer;
begin
  Result := (-(k mod 30) + 30 * 11) mod 50
end;

function E084(k: Integer): Integer;
begin
  Result := Clamp(k mod 216 - 104, 0, 98)
end;

function E085(k: Integer): Integer;
begin
  Result := (k * 53 + 592) mod 297
end;

function E086(k: Integer): Integer;
begin
  if k mod 9 = 0 then Result := 279 else Result := 184
end;

function E087(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 0 then s := 'Nuts' else s := 'Apples';
  s := s + ' / ' + 'Grapes';
  if s = 'Nuts / Grapes' then Result := 16 else Result := 312
end;

function E088(k: Integer): Integer;
begin
  if k / 29 > 47 then Result := 362 else Result := 45
end;

function E089(k: Integer): Integer;
begin
  if ((k > 638) and (k mod 6 <> 0)) or (k < 1919) then Result := 265 else Result := 1
end;

function E090(k: Integer): Integer;
begin
  Result := Max2(k mod 95, k mod 53) - Min2(k mod 81, k mod 95) + 56
end;

function E091(k: Integer): Integer;
var
  s, t: String;
begin
  if k mod 3 = 0 then s := 'Grapes' else if k mod 3 = 1 then s := 'Honey' else s := 'Flour';
  t := 'Dates';
  if ('Invoice ' + s) < ('Invoice ' + t) then Result := 145 else Result := 148
end;

function E092(k: Integer): Integer;
begin
  Result := ((k div 2) * 7 + k mod 60) mod 392
end;

function E093(k: Integer): Integer;
begin
  if k mod 19 < 10 then Result := 1 else if k mod 19 < 14 then Result := 2 else Result := 3
end;

function E094(k: Integer): Integer;
begin
  if not ((k mod 10 = 0) xor (k mod 6 = 0)) then Result := 285 else Result := 102
end;

function E095(k: Integer): Integer;
var
  total: Double;
begin
  total := k * 1.25 + 89 * 0.5;
  if total >= 1585 then Result := 360 else Result := 108
end;

function E096(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 1 then s := 'Kiwis' else s := 'Honey';
  if ('Dates' + ' ' + s) <> 'Dates Kiwis' then Result := 32 else Result := 329
end;

function E097(k: Integer): Integer;
begin
  Result := (-(k mod 4) + 4 * 6) mod 192
end;

function E098(k: Integer): Integer;
begin
  Result := Clamp(k mod 39 - 100, 0, 57)
end;

function E099(k: Integer): Integer;
begin
  Result := (k * 58 + 295) mod 267
end;

function E100(k: Integer): Integer;
begin
  if k mod 12 = 0 then Result := 141 else Result := 203
end;

function E101(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 0 then s := 'Jars' else s := 'Invoice';
  s := s + ' / ' + 'Eggs';
  if s = 'Jars / Eggs' then Result := 150 else Result := 361
end;

function E102(k: Integer): Integer;
begin
  if k / 20 > 151 then Result := 351 else Result := 104
end;

function E103(k: Integer): Integer;
begin
  if ((k > 3013) and (k mod 9 <> 0)) or (k < 863) then Result := 274 else Result := 1
end;

function E104(k: Integer): Integer;
begin
  Result := Max2(k mod 87, k mod 3) - Min2(k mod 88, k mod 87) + 153
end;

function E105(k: Integer): Integer;
var
  s, t: String;
begin
  if k mod 3 = 0 then s := 'Bread' else if k mod 3 = 1 then s := 'Jars' else s := 'Invoice';
  t := 'Cheese';
  if ('Flour ' + s) < ('Flour ' + t) then Result := 56 else Result := 345
end;

function E106(k: Integer): Integer;
begin
  Result := ((k div 3) * 10 + k mod 4) mod 270
end;

function E107(k: Integer): Integer;
begin
  if k mod 27 < 8 then Result := 1 else if k mod 27 < 14 then Result := 2 else Result := 3
end;

function E108(k: Integer): Integer;
begin
  if not ((k mod 4 = 0) xor (k mod 5 = 0)) then Result := 300 else Result := 9
end;

function E109(k: Integer): Integer;
var
  total: Double;
begin
  total := k * 1.25 + 60 * 0.5;
  if total >= 5140 then Result := 274 else Result := 305
end;

function E110(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 1 then s := 'Flour' else s := 'Grapes';
  if ('Dates' + ' ' + s) <> 'Dates Flour' then Result := 5 else Result := 158
end;

function E111(k: Integer): Integer;
begin
  Result := (-(k mod 19) + 19 * 13) mod 155
end;

function E112(k: Integer): Integer;
begin
  Result := Clamp(k mod 172 - 111, 0, 182)
end;

function E113(k: Integer): Integer;
begin
  Result := (k * 13 + 586) mod 273
end;

function E114(k: Integer): Integer;
begin
  if k mod 7 = 0 then Result := 135 else Result := 263
end;

function E115(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 0 then s := 'Grapes' else s := 'Melons';
  s := s + ' / ' + 'Apples';
  if s = 'Grapes / Apples' then Result := 68 else Result := 304
end;

function E116(k: Integer): Integer;
begin
  if k / 42 > 89 then Result := 160 else Result := 319
end;

function E117(k: Integer): Integer;
begin
  if ((k > 5829) and (k mod 9 <> 0)) or (k < 780) then Result := 56 else Result := 1
end;

function E118(k: Integer): Integer;
begin
  Result := Max2(k mod 96, k mod 94) - Min2(k mod 53, k mod 96) + 118
end;

function E119(k: Integer): Integer;
var
  s, t: String;
begin
  if k mod 3 = 0 then s := 'Lemons' else if k mod 3 = 1 then s := 'Bread' else s := 'Eggs';
  t := 'Invoice';
  if ('Melons ' + s) < ('Melons ' + t) then Result := 52 else Result := 338
end;

function E120(k: Integer): Integer;
begin
  Result := ((k div 4) * 19 + k mod 44) mod 26
end;

function E121(k: Integer): Integer;
begin
  if k mod 53 < 12 then Result := 1 else if k mod 53 < 21 then Result := 2 else Result := 3
end;

function E122(k: Integer): Integer;
begin
  if not ((k mod 11 = 0) xor (k mod 7 = 0)) then Result := 288 else Result := 341
end;

function E123(k: Integer): Integer;
var
  total: Double;
begin
  total := k * 1.25 + 24 * 0.5;
  if total >= 1779 then Result := 175 else Result := 97
end;

function E124(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 1 then s := 'Invoice' else s := 'Flour';
  if ('Pears' + ' ' + s) <> 'Pears Invoice' then Result := 33 else Result := 43
end;

function E125(k: Integer): Integer;
begin
  Result := (-(k mod 40) + 40 * 14) mod 95
end;

function E126(k: Integer): Integer;
begin
  Result := Clamp(k mod 268 - 39, 0, 87)
end;

function E127(k: Integer): Integer;
begin
  Result := (k * 11 + 63) mod 177
end;

function E128(k: Integer): Integer;
begin
  if k mod 4 = 0 then Result := 192 else Result := 229
end;

function E129(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 0 then s := 'Apples' else s := 'Honey';
  s := s + ' / ' + 'Cheese';
  if s = 'Apples / Cheese' then Result := 112 else Result := 368
end;

function E130(k: Integer): Integer;
begin
  if k / 27 > 168 then Result := 315 else Result := 70
end;

function E131(k: Integer): Integer;
begin
  if ((k > 5117) and (k mod 6 <> 0)) or (k < 1993) then Result := 305 else Result := 1
end;

function E132(k: Integer): Integer;
begin
  Result := Max2(k mod 46, k mod 73) - Min2(k mod 28, k mod 46) + 99
end;

function E133(k: Integer): Integer;
var
  s, t: String;
begin
  if k mod 3 = 0 then s := 'Dates' else if k mod 3 = 1 then s := 'Apples' else s := 'Olives';
  t := 'Melons';
  if ('Kiwis ' + s) < ('Kiwis ' + t) then Result := 305 else Result := 271
end;

function E134(k: Integer): Integer;
begin
  Result := ((k div 33) * 16 + k mod 44) mod 22
end;

function E135(k: Integer): Integer;
begin
  if k mod 26 < 20 then Result := 1 else if k mod 26 < 23 then Result := 2 else Result := 3
end;

function E136(k: Integer): Integer;
begin
  if not ((k mod 7 = 0) xor (k mod 10 = 0)) then Result := 301 else Result := 155
end;

function E137(k: Integer): Integer;
var
  total: Double;
begin
  total := k * 1.25 + 29 * 0.5;
  if total >= 2674 then Result := 171 else Result := 273
end;

function E138(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 1 then s := 'Lemons' else s := 'Honey';
  if ('Nuts' + ' ' + s) <> 'Nuts Lemons' then Result := 167 else Result := 59
end;

function E139(k: Integer): Integer;
begin
  Result := (-(k mod 21) + 21 * 17) mod 172
end;

function E140(k: Integer): Integer;
begin
  Result := Clamp(k mod 113 - 38, 0, 234)
end;

function E141(k: Integer): Integer;
begin
  Result := (k * 52 + 610) mod 97
end;

function E142(k: Integer): Integer;
begin
  if k mod 3 = 0 then Result := 229 else Result := 179
end;

function E143(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 0 then s := 'Olives' else s := 'Jars';
  s := s + ' / ' + 'Apples';
  if s = 'Olives / Apples' then Result := 398 else Result := 246
end;

function E144(k: Integer): Integer;
begin
  if k / 14 > 311 then Result := 367 else Result := 197
end;

function E145(k: Integer): Integer;
begin
  if ((k > 3354) and (k mod 7 <> 0)) or (k < 568) then Result := 160 else Result := 1
end;

function E146(k: Integer): Integer;
begin
  Result := Max2(k mod 59, k mod 9) - Min2(k mod 71, k mod 59) + 15
end;

function E147(k: Integer): Integer;
var
  s, t: String;
begin
  if k mod 3 = 0 then s := 'Melons' else if k mod 3 = 1 then s := 'Olives' else s := 'Invoice';
  t := 'Eggs';
  if ('Dates ' + s) < ('Dates ' + t) then Result := 327 else Result := 116
end;

function E148(k: Integer): Integer;
begin
  Result := ((k div 23) * 15 + k mod 11) mod 173
end;

function E149(k: Integer): Integer;
begin
  if k mod 51 < 46 then Result := 1 else if k mod 51 < 49 then Result := 2 else Result := 3
end;

function E150(k: Integer): Integer;
begin
  if not ((k mod 3 = 0) xor (k mod 3 = 0)) then Result := 269 else Result := 303
end;

function E151(k: Integer): Integer;
var
  total: Double;
begin
  total := k * 1.25 + 76 * 0.5;
  if total >= 5915 then Result := 168 else Result := 190
end;

function E152(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 1 then s := 'Bread' else s := 'Honey';
  if ('Jars' + ' ' + s) <> 'Jars Bread' then Result := 153 else Result := 313
end;

function E153(k: Integer): Integer;
begin
  Result := (-(k mod 28) + 28 * 18) mod 248
end;

function E154(k: Integer): Integer;
begin
  Result := Clamp(k mod 30 - 41, 0, 129)
end;

function E155(k: Integer): Integer;
begin
  Result := (k * 15 + 797) mod 395
end;

function E156(k: Integer): Integer;
begin
  if k mod 12 = 0 then Result := 231 else Result := 69
end;

function E157(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 0 then s := 'Bread' else s := 'Jars';
  s := s + ' / ' + 'Lemons';
  if s = 'Bread / Lemons' then Result := 229 else Result := 283
end;

function E158(k: Integer): Integer;
begin
  if k / 9 > 215 then Result := 231 else Result := 307
end;

function E159(k: Integer): Integer;
begin
  if ((k > 2761) and (k mod 6 <> 0)) or (k < 666) then Result := 290 else Result := 1
end;

function E160(k: Integer): Integer;
begin
  Result := Max2(k mod 79, k mod 61) - Min2(k mod 11, k mod 79) + 146
end;

function E161(k: Integer): Integer;
var
  s, t: String;
begin
  if k mod 3 = 0 then s := 'Honey' else if k mod 3 = 1 then s := 'Bread' else s := 'Lemons';
  t := 'Kiwis';
  if ('Apples ' + s) < ('Apples ' + t) then Result := 23 else Result := 369
end;

function E162(k: Integer): Integer;
begin
  Result := ((k div 39) * 30 + k mod 47) mod 233
end;

function E163(k: Integer): Integer;
begin
  if k mod 24 < 13 then Result := 1 else if k mod 24 < 16 then Result := 2 else Result := 3
end;

function E164(k: Integer): Integer;
begin
  if not ((k mod 8 = 0) xor (k mod 9 = 0)) then Result := 310 else Result := 166
end;

function E165(k: Integer): Integer;
var
  total: Double;
begin
  total := k * 1.25 + 49 * 0.5;
  if total >= 9640 then Result := 4 else Result := 63
end;

function E166(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 1 then s := 'Kiwis' else s := 'Honey';
  if ('Melons' + ' ' + s) <> 'Melons Kiwis' then Result := 5 else Result := 299
end;

function E167(k: Integer): Integer;
begin
  Result := (-(k mod 38) + 38 * 5) mod 50
end;

function E168(k: Integer): Integer;
begin
  Result := Clamp(k mod 77 - 29, 0, 167)
end;

function E169(k: Integer): Integer;
begin
  Result := (k * 72 + 519) mod 349
end;

function E170(k: Integer): Integer;
begin
  if k mod 8 = 0 then Result := 149 else Result := 89
end;

function E171(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 0 then s := 'Eggs' else s := 'Apples';
  s := s + ' / ' + 'Nuts';
  if s = 'Eggs / Nuts' then Result := 240 else Result := 298
end;

function E172(k: Integer): Integer;
begin
  if k / 22 > 324 then Result := 57 else Result := 296
end;

function E173(k: Integer): Integer;
begin
  if ((k > 6680) and (k mod 8 <> 0)) or (k < 879) then Result := 275 else Result := 1
end;

function E174(k: Integer): Integer;
begin
  Result := Max2(k mod 13, k mod 64) - Min2(k mod 69, k mod 13) + 75
end;

function E175(k: Integer): Integer;
var
  s, t: String;
begin
  if k mod 3 = 0 then s := 'Kiwis' else if k mod 3 = 1 then s := 'Bread' else s := 'Pears';
  t := 'Apples';
  if ('Grapes ' + s) < ('Grapes ' + t) then Result := 354 else Result := 234
end;

function E176(k: Integer): Integer;
begin
  Result := ((k div 39) * 30 + k mod 55) mod 376
end;

function E177(k: Integer): Integer;
begin
  if k mod 40 < 2 then Result := 1 else if k mod 40 < 15 then Result := 2 else Result := 3
end;

function E178(k: Integer): Integer;
begin
  if not ((k mod 6 = 0) xor (k mod 8 = 0)) then Result := 89 else Result := 27
end;

function E179(k: Integer): Integer;
var
  total: Double;
begin
  total := k * 1.25 + 49 * 0.5;
  if total >= 8186 then Result := 210 else Result := 314
end;

function E180(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 1 then s := 'Kiwis' else s := 'Dates';
  if ('Grapes' + ' ' + s) <> 'Grapes Kiwis' then Result := 58 else Result := 350
end;

function E181(k: Integer): Integer;
begin
  Result := (-(k mod 30) + 30 * 17) mod 233
end;

function E182(k: Integer): Integer;
begin
  Result := Clamp(k mod 198 - 105, 0, 213)
end;

function E183(k: Integer): Integer;
begin
  Result := (k * 21 + 24) mod 345
end;

function E184(k: Integer): Integer;
begin
  if k mod 6 = 0 then Result := 72 else Result := 55
end;

function E185(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 0 then s := 'Lemons' else s := 'Melons';
  s := s + ' / ' + 'Cheese';
  if s = 'Lemons / Cheese' then Result := 348 else Result := 221
end;

function E186(k: Integer): Integer;
begin
  if k / 26 > 108 then Result := 174 else Result := 65
end;

function E187(k: Integer): Integer;
begin
  if ((k > 4046) and (k mod 5 <> 0)) or (k < 1209) then Result := 129 else Result := 1
end;

function E188(k: Integer): Integer;
begin
  Result := Max2(k mod 16, k mod 26) - Min2(k mod 41, k mod 16) + 4
end;

function E189(k: Integer): Integer;
var
  s, t: String;
begin
  if k mod 3 = 0 then s := 'Cheese' else if k mod 3 = 1 then s := 'Nuts' else s := 'Jars';
  t := 'Kiwis';
  if ('Eggs ' + s) < ('Eggs ' + t) then Result := 109 else Result := 297
end;

function E190(k: Integer): Integer;
begin
  Result := ((k div 25) * 23 + k mod 2) mod 62
end;

function E191(k: Integer): Integer;
begin
  if k mod 50 < 41 then Result := 1 else if k mod 50 < 46 then Result := 2 else Result := 3
end;

function E192(k: Integer): Integer;
begin
  if not ((k mod 3 = 0) xor (k mod 10 = 0)) then Result := 90 else Result := 92
end;

function E193(k: Integer): Integer;
var
  total: Double;
begin
  total := k * 1.25 + 3 * 0.5;
  if total >= 1404 then Result := 248 else Result := 395
end;

function E194(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 1 then s := 'Olives' else s := 'Dates';
  if ('Melons' + ' ' + s) <> 'Melons Olives' then Result := 381 else Result := 372
end;

function E195(k: Integer): Integer;
begin
  Result := (-(k mod 23) + 23 * 6) mod 300
end;

function E196(k: Integer): Integer;
begin
  Result := Clamp(k mod 281 - 49, 0, 142)
end;

function E197(k: Integer): Integer;
begin
  Result := (k * 28 + 484) mod 395
end;

function E198(k: Integer): Integer;
begin
  if k mod 6 = 0 then Result := 140 else Result := 338
end;

function E199(k: Integer): Integer;
var
  s: String;
begin
  if k mod 2 = 0 then s := 'Flour' else s := 'Honey';
  s := s + ' / ' + 'Lemons';
  if s = 'Flour / Lemons' then Result := 355 else Result := 169
end;

function E200(k: Integer): Integer;
begin
  if k / 50 > 398 then Result := 120 else Result := 23
end;

var
  k, acc: Integer;
begin
  acc := 0;
  for k := 1 to 10000 do
  begin
    acc := acc + E001(k);
    acc := acc + E002(k);
    acc := acc + E003(k);
    acc := acc + E004(k);
    acc := acc + E005(k);
    acc := acc + E006(k);
    acc := acc + E007(k);
    acc := acc + E008(k);
    acc := acc + E009(k);
    acc := acc + E010(k);
    acc := acc + E011(k);
    acc := acc + E012(k);
    acc := acc + E013(k);
    acc := acc + E014(k);
    acc := acc + E015(k);
    acc := acc + E016(k);
    acc := acc + E017(k);
    acc := acc + E018(k);
    acc := acc + E019(k);
    acc := acc + E020(k);
    acc := acc + E021(k);
    acc := acc + E022(k);
    acc := acc + E023(k);
    acc := acc + E024(k);
    acc := acc + E025(k);
    acc := acc + E026(k);
    acc := acc + E027(k);
    acc := acc + E028(k);
    acc := acc + E029(k);
    acc := acc + E030(k);
    acc := acc + E031(k);
    acc := acc + E032(k);
    acc := acc + E033(k);
    acc := acc + E034(k);
    acc := acc + E035(k);
    acc := acc + E036(k);
    acc := acc + E037(k);
    acc := acc + E038(k);
    acc := acc + E039(k);
    acc := acc + E040(k);
    acc := acc + E041(k);
    acc := acc + E042(k);
    acc := acc + E043(k);
    acc := acc + E044(k);
    acc := acc + E045(k);
    acc := acc + E046(k);
    acc := acc + E047(k);
    acc := acc + E048(k);
    acc := acc + E049(k);
    acc := acc + E050(k);
    acc := acc + E051(k);
    acc := acc + E052(k);
    acc := acc + E053(k);
    acc := acc + E054(k);
    acc := acc + E055(k);
    acc := acc + E056(k);
    acc := acc + E057(k);
    acc := acc + E058(k);
    acc := acc + E059(k);
    acc := acc + E060(k);
    acc := acc + E061(k);
    acc := acc + E062(k);
    acc := acc + E063(k);
    acc := acc + E064(k);
    acc := acc + E065(k);
    acc := acc + E066(k);
    acc := acc + E067(k);
    acc := acc + E068(k);
    acc := acc + E069(k);
    acc := acc + E070(k);
    acc := acc + E071(k);
    acc := acc + E072(k);
    acc := acc + E073(k);
    acc := acc + E074(k);
    acc := acc + E075(k);
    acc := acc + E076(k);
    acc := acc + E077(k);
    acc := acc + E078(k);
    acc := acc + E079(k);
    acc := acc + E080(k);
    acc := acc + E081(k);
    acc := acc + E082(k);
    acc := acc + E083(k);
    acc := acc + E084(k);
    acc := acc + E085(k);
    acc := acc + E086(k);
    acc := acc + E087(k);
    acc := acc + E088(k);
    acc := acc + E089(k);
    acc := acc + E090(k);
    acc := acc + E091(k);
    acc := acc + E092(k);
    acc := acc + E093(k);
    acc := acc + E094(k);
    acc := acc + E095(k);
    acc := acc + E096(k);
    acc := acc + E097(k);
    acc := acc + E098(k);
    acc := acc + E099(k);
    acc := acc + E100(k);
    acc := acc + E101(k);
    acc := acc + E102(k);
    acc := acc + E103(k);
    acc := acc + E104(k);
    acc := acc + E105(k);
    acc := acc + E106(k);
    acc := acc + E107(k);
    acc := acc + E108(k);
    acc := acc + E109(k);
    acc := acc + E110(k);
    acc := acc + E111(k);
    acc := acc + E112(k);
    acc := acc + E113(k);
    acc := acc + E114(k);
    acc := acc + E115(k);
    acc := acc + E116(k);
    acc := acc + E117(k);
    acc := acc + E118(k);
    acc := acc + E119(k);
    acc := acc + E120(k);
    acc := acc + E121(k);
    acc := acc + E122(k);
    acc := acc + E123(k);
    acc := acc + E124(k);
    acc := acc + E125(k);
    acc := acc + E126(k);
    acc := acc + E127(k);
    acc := acc + E128(k);
    acc := acc + E129(k);
    acc := acc + E130(k);
    acc := acc + E131(k);
    acc := acc + E132(k);
    acc := acc + E133(k);
    acc := acc + E134(k);
    acc := acc + E135(k);
    acc := acc + E136(k);
    acc := acc + E137(k);
    acc := acc + E138(k);
    acc := acc + E139(k);
    acc := acc + E140(k);
    acc := acc + E141(k);
    acc := acc + E142(k);
    acc := acc + E143(k);
    acc := acc + E144(k);
    acc := acc + E145(k);
    acc := acc + E146(k);
    acc := acc + E147(k);
    acc := acc + E148(k);
    acc := acc + E149(k);
    acc := acc + E150(k);
    acc := acc + E151(k);
    acc := acc + E152(k);
    acc := acc + E153(k);
    acc := acc + E154(k);
    acc := acc + E155(k);
    acc := acc + E156(k);
    acc := acc + E157(k);
    acc := acc + E158(k);
    acc := acc + E159(k);
    acc := acc + E160(k);
    acc := acc + E161(k);
    acc := acc + E162(k);
    acc := acc + E163(k);
    acc := acc + E164(k);
    acc := acc + E165(k);
    acc := acc + E166(k);
    acc := acc + E167(k);
    acc := acc + E168(k);
    acc := acc + E169(k);
    acc := acc + E170(k);
    acc := acc + E171(k);
    acc := acc + E172(k);
    acc := acc + E173(k);
    acc := acc + E174(k);
    acc := acc + E175(k);
    acc := acc + E176(k);
    acc := acc + E177(k);
    acc := acc + E178(k);
    acc := acc + E179(k);
    acc := acc + E180(k);
    acc := acc + E181(k);
    acc := acc + E182(k);
    acc := acc + E183(k);
    acc := acc + E184(k);
    acc := acc + E185(k);
    acc := acc + E186(k);
    acc := acc + E187(k);
    acc := acc + E188(k);
    acc := acc + E189(k);
    acc := acc + E190(k);
    acc := acc + E191(k);
    acc := acc + E192(k);
    acc := acc + E193(k);
    acc := acc + E194(k);
    acc := acc + E195(k);
    acc := acc + E196(k);
    acc := acc + E197(k);
    acc := acc + E198(k);
    acc := acc + E199(k);
    acc := acc + E200(k)
  end;
  ShowMessage(acc)
end.
