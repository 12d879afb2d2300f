; 06 Swapping two registers with xor - a sample solution
; Call the starting values a (in ax) and b (in bx).

xor ax, bx      ; ax = a xor b,                 bx = b
xor bx, ax      ; bx = b xor (a xor b) = a,     ax = a xor b
xor ax, bx      ; ax = (a xor b) xor a = b,     bx = a
halt
