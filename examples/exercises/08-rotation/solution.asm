; 08 A rotation - a sample solution

load ax, ab     ; ax = 000000ab
load dx, 18     ; dx = 24 places: three bytes
rotate ax, dx   ; ax = ab000000, the byte moved to the top

load bx, 01     ; bx = 1, only the lowest bit set
load dx, 1f     ; dx = 31 places
rotate bx, dx   ; bx = 80000000, the bit moved to the top

load cx, f0     ; cx = 1111 0000
load dx, 1c     ; dx = 28 places = 32 - 4
rotate cx, dx   ; cx = 0000000f: left by 28 is right by 4
halt
