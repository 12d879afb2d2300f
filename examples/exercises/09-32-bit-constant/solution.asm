; 09 A 32-bit constant from 8-bit loads - a sample solution

load bx, 08     ; bx = 8 places: one byte
load ax, de     ; ax = 000000de
rotate ax, bx   ; ax = 0000de00, room at the bottom
load cx, ad
or ax, cx       ; ax = 0000dead
rotate ax, bx   ; ax = 00dead00
load cx, be
or ax, cx       ; ax = 00deadbe
rotate ax, bx   ; ax = deadbe00
load cx, ef
or ax, cx       ; ax = deadbeef
halt
