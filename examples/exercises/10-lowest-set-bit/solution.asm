; 10 Bit tricks: the lowest set bit - a sample solution
; With ax = 10 1100 0000 the comments show the bits.

mov bx, ax      ; bx = x
dec bx          ; bx = x - 1     = 10 1011 1111
and bx, ax      ; bx = x and (x - 1) = 10 1000 0000: the lowest 1 cleared

load dx, 00
dec dx          ; dx = all ones (ffffffff)
mov cx, ax
xor cx, dx      ; cx = every bit of x flipped
inc cx          ; cx = -x = 1...1 01 0100 0000
and cx, ax      ; cx = x and (-x) = 00 0100 0000: the lowest 1 alone
halt
