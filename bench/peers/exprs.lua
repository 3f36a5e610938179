-- expect: 294951361
-- Report-style expressions: 200 small functions (arithmetic, string concatenation,
-- comparisons, if/else choices and calls of user functions), each called 10,000 times
-- by one driver loop; the checksum of all results is printed.
-- The functions are globals: one chunk holds at most 200 locals.

local function Max2(a, b)
  if a > b then return a else return b end
end

local function Min2(a, b)
  if a < b then return a else return b end
end

local function Clamp(x, lo, hi)
  return Min2(Max2(x, lo), hi)
end

function E001(k)
  return (k * 38 + 786) % 398
end

function E002(k)
  if k % 13 == 0 then return 192 else return 215 end
end

function E003(k)
  local s
  if k % 2 == 0 then s = 'Invoice' else s = 'Kiwis' end
  s = s .. ' / ' .. 'Olives'
  if s == 'Invoice / Olives' then return 315 else return 395 end
end

function E004(k)
  if k / 23 > 351 then return 13 else return 395 end
end

function E005(k)
  if ((k > 4036) and (k % 5 ~= 0)) or (k < 1552) then return 99 else return 1 end
end

function E006(k)
  return Max2(k % 31, k % 33) - Min2(k % 22, k % 31) + 134
end

function E007(k)
  local s, t
  if k % 3 == 0 then s = 'Flour' elseif k % 3 == 1 then s = 'Lemons' else s = 'Nuts' end
  t = 'Grapes'
  if ('Olives ' .. s) < ('Olives ' .. t) then return 322 else return 23 end
end

function E008(k)
  return ((k // 19) * 22 + k % 38) % 207
end

function E009(k)
  if k % 37 < 17 then return 1 elseif k % 37 < 31 then return 2 else return 3 end
end

function E010(k)
  if not ((k % 6 == 0) ~= (k % 5 == 0)) then return 217 else return 321 end
end

function E011(k)
  local total = k * 1.25 + 20 * 0.5
  if total >= 7397 then return 387 else return 296 end
end

function E012(k)
  local s
  if k % 2 == 1 then s = 'Olives' else s = 'Bread' end
  if ('Dates' .. ' ' .. s) ~= 'Dates Olives' then return 109 else return 194 end
end

function E013(k)
  return (-(k % 21) + 21 * 2) % 34
end

function E014(k)
  return Clamp(k % 108 - 7, 0, 267)
end

function E015(k)
  return (k * 15 + 601) % 369
end

function E016(k)
  if k % 5 == 0 then return 278 else return 175 end
end

function E017(k)
  local s
  if k % 2 == 0 then s = 'Grapes' else s = 'Flour' end
  s = s .. ' / ' .. 'Jars'
  if s == 'Grapes / Jars' then return 42 else return 147 end
end

function E018(k)
  if k / 50 > 278 then return 201 else return 358 end
end

function E019(k)
  if ((k > 2229) and (k % 4 ~= 0)) or (k < 1954) then return 304 else return 1 end
end

function E020(k)
  return Max2(k % 65, k % 37) - Min2(k % 82, k % 65) + 55
end

function E021(k)
  local s, t
  if k % 3 == 0 then s = 'Grapes' elseif k % 3 == 1 then s = 'Eggs' else s = 'Pears' end
  t = 'Cheese'
  if ('Kiwis ' .. s) < ('Kiwis ' .. t) then return 21 else return 397 end
end

function E022(k)
  return ((k // 11) * 12 + k % 38) % 183
end

function E023(k)
  if k % 42 < 30 then return 1 elseif k % 42 < 33 then return 2 else return 3 end
end

function E024(k)
  if not ((k % 6 == 0) ~= (k % 11 == 0)) then return 286 else return 297 end
end

function E025(k)
  local total = k * 1.25 + 26 * 0.5
  if total >= 4663 then return 269 else return 325 end
end

function E026(k)
  local s
  if k % 2 == 1 then s = 'Melons' else s = 'Kiwis' end
  if ('Olives' .. ' ' .. s) ~= 'Olives Melons' then return 283 else return 163 end
end

function E027(k)
  return (-(k % 23) + 23 * 2) % 141
end

function E028(k)
  return Clamp(k % 53 - 69, 0, 71)
end

function E029(k)
  return (k * 82 + 877) % 87
end

function E030(k)
  if k % 5 == 0 then return 114 else return 106 end
end

function E031(k)
  local s
  if k % 2 == 0 then s = 'Olives' else s = 'Bread' end
  s = s .. ' / ' .. 'Dates'
  if s == 'Olives / Dates' then return 353 else return 217 end
end

function E032(k)
  if k / 6 > 337 then return 197 else return 200 end
end

function E033(k)
  if ((k > 3531) and (k % 3 ~= 0)) or (k < 604) then return 113 else return 1 end
end

function E034(k)
  return Max2(k % 45, k % 82) - Min2(k % 50, k % 45) + 15
end

function E035(k)
  local s, t
  if k % 3 == 0 then s = 'Lemons' elseif k % 3 == 1 then s = 'Eggs' else s = 'Grapes' end
  t = 'Melons'
  if ('Honey ' .. s) < ('Honey ' .. t) then return 249 else return 271 end
end

function E036(k)
  return ((k // 17) * 2 + k % 40) % 307
end

function E037(k)
  if k % 50 < 27 then return 1 elseif k % 50 < 31 then return 2 else return 3 end
end

function E038(k)
  if not ((k % 7 == 0) ~= (k % 3 == 0)) then return 331 else return 331 end
end

function E039(k)
  local total = k * 1.25 + 58 * 0.5
  if total >= 6275 then return 273 else return 270 end
end

function E040(k)
  local s
  if k % 2 == 1 then s = 'Eggs' else s = 'Nuts' end
  if ('Melons' .. ' ' .. s) ~= 'Melons Eggs' then return 32 else return 284 end
end

function E041(k)
  return (-(k % 9) + 9 * 8) % 61
end

function E042(k)
  return Clamp(k % 74 - 37, 0, 94)
end

function E043(k)
  return (k * 72 + 781) % 268
end

function E044(k)
  if k % 6 == 0 then return 174 else return 88 end
end

function E045(k)
  local s
  if k % 2 == 0 then s = 'Grapes' else s = 'Kiwis' end
  s = s .. ' / ' .. 'Apples'
  if s == 'Grapes / Apples' then return 284 else return 223 end
end

function E046(k)
  if k / 38 > 58 then return 236 else return 2 end
end

function E047(k)
  if ((k > 1095) and (k % 2 ~= 0)) or (k < 1427) then return 57 else return 1 end
end

function E048(k)
  return Max2(k % 64, k % 65) - Min2(k % 34, k % 64) + 185
end

function E049(k)
  local s, t
  if k % 3 == 0 then s = 'Invoice' elseif k % 3 == 1 then s = 'Melons' else s = 'Dates' end
  t = 'Kiwis'
  if ('Pears ' .. s) < ('Pears ' .. t) then return 190 else return 172 end
end

function E050(k)
  return ((k // 4) * 20 + k % 59) % 392
end

function E051(k)
  if k % 34 < 11 then return 1 elseif k % 34 < 19 then return 2 else return 3 end
end

function E052(k)
  if not ((k % 4 == 0) ~= (k % 3 == 0)) then return 145 else return 385 end
end

function E053(k)
  local total = k * 1.25 + 26 * 0.5
  if total >= 7579 then return 46 else return 210 end
end

function E054(k)
  local s
  if k % 2 == 1 then s = 'Nuts' else s = 'Invoice' end
  if ('Lemons' .. ' ' .. s) ~= 'Lemons Nuts' then return 355 else return 294 end
end

function E055(k)
  return (-(k % 25) + 25 * 17) % 285
end

function E056(k)
  return Clamp(k % 243 - 5, 0, 43)
end

function E057(k)
  return (k * 71 + 129) % 318
end

function E058(k)
  if k % 13 == 0 then return 282 else return 4 end
end

function E059(k)
  local s
  if k % 2 == 0 then s = 'Lemons' else s = 'Grapes' end
  s = s .. ' / ' .. 'Eggs'
  if s == 'Lemons / Eggs' then return 394 else return 58 end
end

function E060(k)
  if k / 27 > 308 then return 319 else return 128 end
end

function E061(k)
  if ((k > 6579) and (k % 5 ~= 0)) or (k < 982) then return 323 else return 1 end
end

function E062(k)
  return Max2(k % 9, k % 15) - Min2(k % 51, k % 9) + 130
end

function E063(k)
  local s, t
  if k % 3 == 0 then s = 'Pears' elseif k % 3 == 1 then s = 'Honey' else s = 'Kiwis' end
  t = 'Olives'
  if ('Eggs ' .. s) < ('Eggs ' .. t) then return 46 else return 355 end
end

function E064(k)
  return ((k // 46) * 6 + k % 26) % 390
end

function E065(k)
  if k % 12 < 9 then return 1 elseif k % 12 < 11 then return 2 else return 3 end
end

function E066(k)
  if not ((k % 11 == 0) ~= (k % 7 == 0)) then return 134 else return 82 end
end

function E067(k)
  local total = k * 1.25 + 92 * 0.5
  if total >= 1029 then return 52 else return 56 end
end

function E068(k)
  local s
  if k % 2 == 1 then s = 'Flour' else s = 'Melons' end
  if ('Honey' .. ' ' .. s) ~= 'Honey Flour' then return 341 else return 305 end
end

function E069(k)
  return (-(k % 40) + 40 * 16) % 398
end

function E070(k)
  return Clamp(k % 199 - 70, 0, 258)
end

function E071(k)
  return (k * 38 + 974) % 335
end

function E072(k)
  if k % 2 == 0 then return 173 else return 129 end
end

function E073(k)
  local s
  if k % 2 == 0 then s = 'Kiwis' else s = 'Olives' end
  s = s .. ' / ' .. 'Invoice'
  if s == 'Kiwis / Invoice' then return 165 else return 259 end
end

function E074(k)
  if k / 44 > 371 then return 292 else return 154 end
end

function E075(k)
  if ((k > 3766) and (k % 6 ~= 0)) or (k < 434) then return 201 else return 1 end
end

function E076(k)
  return Max2(k % 9, k % 15) - Min2(k % 72, k % 9) + 136
end

function E077(k)
  local s, t
  if k % 3 == 0 then s = 'Kiwis' elseif k % 3 == 1 then s = 'Dates' else s = 'Invoice' end
  t = 'Eggs'
  if ('Bread ' .. s) < ('Bread ' .. t) then return 281 else return 101 end
end

function E078(k)
  return ((k // 26) * 4 + k % 33) % 198
end

function E079(k)
  if k % 10 < 5 then return 1 elseif k % 10 < 6 then return 2 else return 3 end
end

function E080(k)
  if not ((k % 11 == 0) ~= (k % 9 == 0)) then return 170 else return 226 end
end

function E081(k)
  local total = k * 1.25 + 18 * 0.5
  if total >= 5818 then return 73 else return 220 end
end

function E082(k)
  local s
  if k % 2 == 1 then s = 'Jars' else s = 'Dates' end
  if ('Flour' .. ' ' .. s) ~= 'Flour Jars' then return 2 else return 359 end
end

function E083(k)
  return (-(k % 30) + 30 * 11) % 50
end

function E084(k)
  return Clamp(k % 216 - 104, 0, 98)
end

function E085(k)
  return (k * 53 + 592) % 297
end

function E086(k)
  if k % 9 == 0 then return 279 else return 184 end
end

function E087(k)
  local s
  if k % 2 == 0 then s = 'Nuts' else s = 'Apples' end
  s = s .. ' / ' .. 'Grapes'
  if s == 'Nuts / Grapes' then return 16 else return 312 end
end

function E088(k)
  if k / 29 > 47 then return 362 else return 45 end
end

function E089(k)
  if ((k > 638) and (k % 6 ~= 0)) or (k < 1919) then return 265 else return 1 end
end

function E090(k)
  return Max2(k % 95, k % 53) - Min2(k % 81, k % 95) + 56
end

function E091(k)
  local s, t
  if k % 3 == 0 then s = 'Grapes' elseif k % 3 == 1 then s = 'Honey' else s = 'Flour' end
  t = 'Dates'
  if ('Invoice ' .. s) < ('Invoice ' .. t) then return 145 else return 148 end
end

function E092(k)
  return ((k // 2) * 7 + k % 60) % 392
end

function E093(k)
  if k % 19 < 10 then return 1 elseif k % 19 < 14 then return 2 else return 3 end
end

function E094(k)
  if not ((k % 10 == 0) ~= (k % 6 == 0)) then return 285 else return 102 end
end

function E095(k)
  local total = k * 1.25 + 89 * 0.5
  if total >= 1585 then return 360 else return 108 end
end

function E096(k)
  local s
  if k % 2 == 1 then s = 'Kiwis' else s = 'Honey' end
  if ('Dates' .. ' ' .. s) ~= 'Dates Kiwis' then return 32 else return 329 end
end

function E097(k)
  return (-(k % 4) + 4 * 6) % 192
end

function E098(k)
  return Clamp(k % 39 - 100, 0, 57)
end

function E099(k)
  return (k * 58 + 295) % 267
end

function E100(k)
  if k % 12 == 0 then return 141 else return 203 end
end

function E101(k)
  local s
  if k % 2 == 0 then s = 'Jars' else s = 'Invoice' end
  s = s .. ' / ' .. 'Eggs'
  if s == 'Jars / Eggs' then return 150 else return 361 end
end

function E102(k)
  if k / 20 > 151 then return 351 else return 104 end
end

function E103(k)
  if ((k > 3013) and (k % 9 ~= 0)) or (k < 863) then return 274 else return 1 end
end

function E104(k)
  return Max2(k % 87, k % 3) - Min2(k % 88, k % 87) + 153
end

function E105(k)
  local s, t
  if k % 3 == 0 then s = 'Bread' elseif k % 3 == 1 then s = 'Jars' else s = 'Invoice' end
  t = 'Cheese'
  if ('Flour ' .. s) < ('Flour ' .. t) then return 56 else return 345 end
end

function E106(k)
  return ((k // 3) * 10 + k % 4) % 270
end

function E107(k)
  if k % 27 < 8 then return 1 elseif k % 27 < 14 then return 2 else return 3 end
end

function E108(k)
  if not ((k % 4 == 0) ~= (k % 5 == 0)) then return 300 else return 9 end
end

function E109(k)
  local total = k * 1.25 + 60 * 0.5
  if total >= 5140 then return 274 else return 305 end
end

function E110(k)
  local s
  if k % 2 == 1 then s = 'Flour' else s = 'Grapes' end
  if ('Dates' .. ' ' .. s) ~= 'Dates Flour' then return 5 else return 158 end
end

function E111(k)
  return (-(k % 19) + 19 * 13) % 155
end

function E112(k)
  return Clamp(k % 172 - 111, 0, 182)
end

function E113(k)
  return (k * 13 + 586) % 273
end

function E114(k)
  if k % 7 == 0 then return 135 else return 263 end
end

function E115(k)
  local s
  if k % 2 == 0 then s = 'Grapes' else s = 'Melons' end
  s = s .. ' / ' .. 'Apples'
  if s == 'Grapes / Apples' then return 68 else return 304 end
end

function E116(k)
  if k / 42 > 89 then return 160 else return 319 end
end

function E117(k)
  if ((k > 5829) and (k % 9 ~= 0)) or (k < 780) then return 56 else return 1 end
end

function E118(k)
  return Max2(k % 96, k % 94) - Min2(k % 53, k % 96) + 118
end

function E119(k)
  local s, t
  if k % 3 == 0 then s = 'Lemons' elseif k % 3 == 1 then s = 'Bread' else s = 'Eggs' end
  t = 'Invoice'
  if ('Melons ' .. s) < ('Melons ' .. t) then return 52 else return 338 end
end

function E120(k)
  return ((k // 4) * 19 + k % 44) % 26
end

function E121(k)
  if k % 53 < 12 then return 1 elseif k % 53 < 21 then return 2 else return 3 end
end

function E122(k)
  if not ((k % 11 == 0) ~= (k % 7 == 0)) then return 288 else return 341 end
end

function E123(k)
  local total = k * 1.25 + 24 * 0.5
  if total >= 1779 then return 175 else return 97 end
end

function E124(k)
  local s
  if k % 2 == 1 then s = 'Invoice' else s = 'Flour' end
  if ('Pears' .. ' ' .. s) ~= 'Pears Invoice' then return 33 else return 43 end
end

function E125(k)
  return (-(k % 40) + 40 * 14) % 95
end

function E126(k)
  return Clamp(k % 268 - 39, 0, 87)
end

function E127(k)
  return (k * 11 + 63) % 177
end

function E128(k)
  if k % 4 == 0 then return 192 else return 229 end
end

function E129(k)
  local s
  if k % 2 == 0 then s = 'Apples' else s = 'Honey' end
  s = s .. ' / ' .. 'Cheese'
  if s == 'Apples / Cheese' then return 112 else return 368 end
end

function E130(k)
  if k / 27 > 168 then return 315 else return 70 end
end

function E131(k)
  if ((k > 5117) and (k % 6 ~= 0)) or (k < 1993) then return 305 else return 1 end
end

function E132(k)
  return Max2(k % 46, k % 73) - Min2(k % 28, k % 46) + 99
end

function E133(k)
  local s, t
  if k % 3 == 0 then s = 'Dates' elseif k % 3 == 1 then s = 'Apples' else s = 'Olives' end
  t = 'Melons'
  if ('Kiwis ' .. s) < ('Kiwis ' .. t) then return 305 else return 271 end
end

function E134(k)
  return ((k // 33) * 16 + k % 44) % 22
end

function E135(k)
  if k % 26 < 20 then return 1 elseif k % 26 < 23 then return 2 else return 3 end
end

function E136(k)
  if not ((k % 7 == 0) ~= (k % 10 == 0)) then return 301 else return 155 end
end

function E137(k)
  local total = k * 1.25 + 29 * 0.5
  if total >= 2674 then return 171 else return 273 end
end

function E138(k)
  local s
  if k % 2 == 1 then s = 'Lemons' else s = 'Honey' end
  if ('Nuts' .. ' ' .. s) ~= 'Nuts Lemons' then return 167 else return 59 end
end

function E139(k)
  return (-(k % 21) + 21 * 17) % 172
end

function E140(k)
  return Clamp(k % 113 - 38, 0, 234)
end

function E141(k)
  return (k * 52 + 610) % 97
end

function E142(k)
  if k % 3 == 0 then return 229 else return 179 end
end

function E143(k)
  local s
  if k % 2 == 0 then s = 'Olives' else s = 'Jars' end
  s = s .. ' / ' .. 'Apples'
  if s == 'Olives / Apples' then return 398 else return 246 end
end

function E144(k)
  if k / 14 > 311 then return 367 else return 197 end
end

function E145(k)
  if ((k > 3354) and (k % 7 ~= 0)) or (k < 568) then return 160 else return 1 end
end

function E146(k)
  return Max2(k % 59, k % 9) - Min2(k % 71, k % 59) + 15
end

function E147(k)
  local s, t
  if k % 3 == 0 then s = 'Melons' elseif k % 3 == 1 then s = 'Olives' else s = 'Invoice' end
  t = 'Eggs'
  if ('Dates ' .. s) < ('Dates ' .. t) then return 327 else return 116 end
end

function E148(k)
  return ((k // 23) * 15 + k % 11) % 173
end

function E149(k)
  if k % 51 < 46 then return 1 elseif k % 51 < 49 then return 2 else return 3 end
end

function E150(k)
  if not ((k % 3 == 0) ~= (k % 3 == 0)) then return 269 else return 303 end
end

function E151(k)
  local total = k * 1.25 + 76 * 0.5
  if total >= 5915 then return 168 else return 190 end
end

function E152(k)
  local s
  if k % 2 == 1 then s = 'Bread' else s = 'Honey' end
  if ('Jars' .. ' ' .. s) ~= 'Jars Bread' then return 153 else return 313 end
end

function E153(k)
  return (-(k % 28) + 28 * 18) % 248
end

function E154(k)
  return Clamp(k % 30 - 41, 0, 129)
end

function E155(k)
  return (k * 15 + 797) % 395
end

function E156(k)
  if k % 12 == 0 then return 231 else return 69 end
end

function E157(k)
  local s
  if k % 2 == 0 then s = 'Bread' else s = 'Jars' end
  s = s .. ' / ' .. 'Lemons'
  if s == 'Bread / Lemons' then return 229 else return 283 end
end

function E158(k)
  if k / 9 > 215 then return 231 else return 307 end
end

function E159(k)
  if ((k > 2761) and (k % 6 ~= 0)) or (k < 666) then return 290 else return 1 end
end

function E160(k)
  return Max2(k % 79, k % 61) - Min2(k % 11, k % 79) + 146
end

function E161(k)
  local s, t
  if k % 3 == 0 then s = 'Honey' elseif k % 3 == 1 then s = 'Bread' else s = 'Lemons' end
  t = 'Kiwis'
  if ('Apples ' .. s) < ('Apples ' .. t) then return 23 else return 369 end
end

function E162(k)
  return ((k // 39) * 30 + k % 47) % 233
end

function E163(k)
  if k % 24 < 13 then return 1 elseif k % 24 < 16 then return 2 else return 3 end
end

function E164(k)
  if not ((k % 8 == 0) ~= (k % 9 == 0)) then return 310 else return 166 end
end

function E165(k)
  local total = k * 1.25 + 49 * 0.5
  if total >= 9640 then return 4 else return 63 end
end

function E166(k)
  local s
  if k % 2 == 1 then s = 'Kiwis' else s = 'Honey' end
  if ('Melons' .. ' ' .. s) ~= 'Melons Kiwis' then return 5 else return 299 end
end

function E167(k)
  return (-(k % 38) + 38 * 5) % 50
end

function E168(k)
  return Clamp(k % 77 - 29, 0, 167)
end

function E169(k)
  return (k * 72 + 519) % 349
end

function E170(k)
  if k % 8 == 0 then return 149 else return 89 end
end

function E171(k)
  local s
  if k % 2 == 0 then s = 'Eggs' else s = 'Apples' end
  s = s .. ' / ' .. 'Nuts'
  if s == 'Eggs / Nuts' then return 240 else return 298 end
end

function E172(k)
  if k / 22 > 324 then return 57 else return 296 end
end

function E173(k)
  if ((k > 6680) and (k % 8 ~= 0)) or (k < 879) then return 275 else return 1 end
end

function E174(k)
  return Max2(k % 13, k % 64) - Min2(k % 69, k % 13) + 75
end

function E175(k)
  local s, t
  if k % 3 == 0 then s = 'Kiwis' elseif k % 3 == 1 then s = 'Bread' else s = 'Pears' end
  t = 'Apples'
  if ('Grapes ' .. s) < ('Grapes ' .. t) then return 354 else return 234 end
end

function E176(k)
  return ((k // 39) * 30 + k % 55) % 376
end

function E177(k)
  if k % 40 < 2 then return 1 elseif k % 40 < 15 then return 2 else return 3 end
end

function E178(k)
  if not ((k % 6 == 0) ~= (k % 8 == 0)) then return 89 else return 27 end
end

function E179(k)
  local total = k * 1.25 + 49 * 0.5
  if total >= 8186 then return 210 else return 314 end
end

function E180(k)
  local s
  if k % 2 == 1 then s = 'Kiwis' else s = 'Dates' end
  if ('Grapes' .. ' ' .. s) ~= 'Grapes Kiwis' then return 58 else return 350 end
end

function E181(k)
  return (-(k % 30) + 30 * 17) % 233
end

function E182(k)
  return Clamp(k % 198 - 105, 0, 213)
end

function E183(k)
  return (k * 21 + 24) % 345
end

function E184(k)
  if k % 6 == 0 then return 72 else return 55 end
end

function E185(k)
  local s
  if k % 2 == 0 then s = 'Lemons' else s = 'Melons' end
  s = s .. ' / ' .. 'Cheese'
  if s == 'Lemons / Cheese' then return 348 else return 221 end
end

function E186(k)
  if k / 26 > 108 then return 174 else return 65 end
end

function E187(k)
  if ((k > 4046) and (k % 5 ~= 0)) or (k < 1209) then return 129 else return 1 end
end

function E188(k)
  return Max2(k % 16, k % 26) - Min2(k % 41, k % 16) + 4
end

function E189(k)
  local s, t
  if k % 3 == 0 then s = 'Cheese' elseif k % 3 == 1 then s = 'Nuts' else s = 'Jars' end
  t = 'Kiwis'
  if ('Eggs ' .. s) < ('Eggs ' .. t) then return 109 else return 297 end
end

function E190(k)
  return ((k // 25) * 23 + k % 2) % 62
end

function E191(k)
  if k % 50 < 41 then return 1 elseif k % 50 < 46 then return 2 else return 3 end
end

function E192(k)
  if not ((k % 3 == 0) ~= (k % 10 == 0)) then return 90 else return 92 end
end

function E193(k)
  local total = k * 1.25 + 3 * 0.5
  if total >= 1404 then return 248 else return 395 end
end

function E194(k)
  local s
  if k % 2 == 1 then s = 'Olives' else s = 'Dates' end
  if ('Melons' .. ' ' .. s) ~= 'Melons Olives' then return 381 else return 372 end
end

function E195(k)
  return (-(k % 23) + 23 * 6) % 300
end

function E196(k)
  return Clamp(k % 281 - 49, 0, 142)
end

function E197(k)
  return (k * 28 + 484) % 395
end

function E198(k)
  if k % 6 == 0 then return 140 else return 338 end
end

function E199(k)
  local s
  if k % 2 == 0 then s = 'Flour' else s = 'Honey' end
  s = s .. ' / ' .. 'Lemons'
  if s == 'Flour / Lemons' then return 355 else return 169 end
end

function E200(k)
  if k / 50 > 398 then return 120 else return 23 end
end

local acc = 0
for k = 1, 10000 do
  acc = acc + E001(k)
  acc = acc + E002(k)
  acc = acc + E003(k)
  acc = acc + E004(k)
  acc = acc + E005(k)
  acc = acc + E006(k)
  acc = acc + E007(k)
  acc = acc + E008(k)
  acc = acc + E009(k)
  acc = acc + E010(k)
  acc = acc + E011(k)
  acc = acc + E012(k)
  acc = acc + E013(k)
  acc = acc + E014(k)
  acc = acc + E015(k)
  acc = acc + E016(k)
  acc = acc + E017(k)
  acc = acc + E018(k)
  acc = acc + E019(k)
  acc = acc + E020(k)
  acc = acc + E021(k)
  acc = acc + E022(k)
  acc = acc + E023(k)
  acc = acc + E024(k)
  acc = acc + E025(k)
  acc = acc + E026(k)
  acc = acc + E027(k)
  acc = acc + E028(k)
  acc = acc + E029(k)
  acc = acc + E030(k)
  acc = acc + E031(k)
  acc = acc + E032(k)
  acc = acc + E033(k)
  acc = acc + E034(k)
  acc = acc + E035(k)
  acc = acc + E036(k)
  acc = acc + E037(k)
  acc = acc + E038(k)
  acc = acc + E039(k)
  acc = acc + E040(k)
  acc = acc + E041(k)
  acc = acc + E042(k)
  acc = acc + E043(k)
  acc = acc + E044(k)
  acc = acc + E045(k)
  acc = acc + E046(k)
  acc = acc + E047(k)
  acc = acc + E048(k)
  acc = acc + E049(k)
  acc = acc + E050(k)
  acc = acc + E051(k)
  acc = acc + E052(k)
  acc = acc + E053(k)
  acc = acc + E054(k)
  acc = acc + E055(k)
  acc = acc + E056(k)
  acc = acc + E057(k)
  acc = acc + E058(k)
  acc = acc + E059(k)
  acc = acc + E060(k)
  acc = acc + E061(k)
  acc = acc + E062(k)
  acc = acc + E063(k)
  acc = acc + E064(k)
  acc = acc + E065(k)
  acc = acc + E066(k)
  acc = acc + E067(k)
  acc = acc + E068(k)
  acc = acc + E069(k)
  acc = acc + E070(k)
  acc = acc + E071(k)
  acc = acc + E072(k)
  acc = acc + E073(k)
  acc = acc + E074(k)
  acc = acc + E075(k)
  acc = acc + E076(k)
  acc = acc + E077(k)
  acc = acc + E078(k)
  acc = acc + E079(k)
  acc = acc + E080(k)
  acc = acc + E081(k)
  acc = acc + E082(k)
  acc = acc + E083(k)
  acc = acc + E084(k)
  acc = acc + E085(k)
  acc = acc + E086(k)
  acc = acc + E087(k)
  acc = acc + E088(k)
  acc = acc + E089(k)
  acc = acc + E090(k)
  acc = acc + E091(k)
  acc = acc + E092(k)
  acc = acc + E093(k)
  acc = acc + E094(k)
  acc = acc + E095(k)
  acc = acc + E096(k)
  acc = acc + E097(k)
  acc = acc + E098(k)
  acc = acc + E099(k)
  acc = acc + E100(k)
  acc = acc + E101(k)
  acc = acc + E102(k)
  acc = acc + E103(k)
  acc = acc + E104(k)
  acc = acc + E105(k)
  acc = acc + E106(k)
  acc = acc + E107(k)
  acc = acc + E108(k)
  acc = acc + E109(k)
  acc = acc + E110(k)
  acc = acc + E111(k)
  acc = acc + E112(k)
  acc = acc + E113(k)
  acc = acc + E114(k)
  acc = acc + E115(k)
  acc = acc + E116(k)
  acc = acc + E117(k)
  acc = acc + E118(k)
  acc = acc + E119(k)
  acc = acc + E120(k)
  acc = acc + E121(k)
  acc = acc + E122(k)
  acc = acc + E123(k)
  acc = acc + E124(k)
  acc = acc + E125(k)
  acc = acc + E126(k)
  acc = acc + E127(k)
  acc = acc + E128(k)
  acc = acc + E129(k)
  acc = acc + E130(k)
  acc = acc + E131(k)
  acc = acc + E132(k)
  acc = acc + E133(k)
  acc = acc + E134(k)
  acc = acc + E135(k)
  acc = acc + E136(k)
  acc = acc + E137(k)
  acc = acc + E138(k)
  acc = acc + E139(k)
  acc = acc + E140(k)
  acc = acc + E141(k)
  acc = acc + E142(k)
  acc = acc + E143(k)
  acc = acc + E144(k)
  acc = acc + E145(k)
  acc = acc + E146(k)
  acc = acc + E147(k)
  acc = acc + E148(k)
  acc = acc + E149(k)
  acc = acc + E150(k)
  acc = acc + E151(k)
  acc = acc + E152(k)
  acc = acc + E153(k)
  acc = acc + E154(k)
  acc = acc + E155(k)
  acc = acc + E156(k)
  acc = acc + E157(k)
  acc = acc + E158(k)
  acc = acc + E159(k)
  acc = acc + E160(k)
  acc = acc + E161(k)
  acc = acc + E162(k)
  acc = acc + E163(k)
  acc = acc + E164(k)
  acc = acc + E165(k)
  acc = acc + E166(k)
  acc = acc + E167(k)
  acc = acc + E168(k)
  acc = acc + E169(k)
  acc = acc + E170(k)
  acc = acc + E171(k)
  acc = acc + E172(k)
  acc = acc + E173(k)
  acc = acc + E174(k)
  acc = acc + E175(k)
  acc = acc + E176(k)
  acc = acc + E177(k)
  acc = acc + E178(k)
  acc = acc + E179(k)
  acc = acc + E180(k)
  acc = acc + E181(k)
  acc = acc + E182(k)
  acc = acc + E183(k)
  acc = acc + E184(k)
  acc = acc + E185(k)
  acc = acc + E186(k)
  acc = acc + E187(k)
  acc = acc + E188(k)
  acc = acc + E189(k)
  acc = acc + E190(k)
  acc = acc + E191(k)
  acc = acc + E192(k)
  acc = acc + E193(k)
  acc = acc + E194(k)
  acc = acc + E195(k)
  acc = acc + E196(k)
  acc = acc + E197(k)
  acc = acc + E198(k)
  acc = acc + E199(k)
  acc = acc + E200(k)
end
print(acc)
