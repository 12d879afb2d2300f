; 07 Masking with and - a sample solution

load ex, ff     ; ex = 1111 1111, the mask for the lowest byte
mov bx, ax      ; bx = a copy of the number
and bx, ex      ; bx = the lowest byte; every higher bit is cleared

load ex, 0f     ; ex = 0000 1111, the mask for the lowest four bits
mov cx, ax
and cx, ex      ; cx = the last hexadecimal digit

load ex, 01     ; ex = 0000 0001, the mask for the lowest bit
mov dx, ax
and dx, ex      ; dx = 1 for an odd number, 0 for an even one
halt
