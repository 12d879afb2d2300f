; arithmetic.asm - the four basic operations on registers
; Computes ((7 + 5) - 2) * 3 / 4 in register ax, step by step.
; Values are written in hexadecimal without a prefix: 0a is ten.

load ax, 07     ; ax = 7       load puts a constant from 00 to ff in a register
load bx, 05     ; bx = 5
add ax, bx      ; ax = ax + bx = 12 (0x0c); the first register gets the result
load cx, 02     ; cx = 2
sub ax, cx      ; ax = ax - cx = 10 (0x0a)
load dx, 03     ; dx = 3
mul ax, dx      ; ax = ax * dx = 30 (0x1e)
load ex, 04     ; ex = 4
div ax, ex      ; ax = ax / ex = 7; the remainder 2 is dropped

; inc and dec take a single register and add or subtract one
inc ax          ; ax = 8
dec bx          ; bx = 4
halt            ; stop here; without a halt the assembler refuses the program
