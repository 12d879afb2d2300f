; bits.asm - working on the bit patterns of registers
; Shown in binary, the Memory Map and the register boxes make these clear.

load ax, f0     ; ax = 1111 0000
load bx, 3c     ; bx = 0011 1100
mov cx, ax      ; keep copies of ax for each operation
mov dx, ax

or cx, bx       ; cx = 1111 1100 (fc): a bit is set when it is set in either
xor dx, bx      ; dx = 1100 1100 (cc): a bit is set when the two bits differ
and ax, bx      ; ax = 0011 0000 (30): a bit is set when it is set in both

load ex, 04     ; ex = 4
rotate bx, ex   ; bx = 11 1100 0000 (3c0): shifted left by ex places; bits
                ; that leave at the top come back in at the bottom
halt
