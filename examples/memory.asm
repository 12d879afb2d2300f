; memory.asm - moving values between registers and the 256 data cells
; The cells are numbered 00 to ff; the program itself is not in them.

load ax, 2a     ; ax = 42
store ax, 10    ; cell 10 = ax: store writes a register into a cell
load ax, 00     ; ax = 0, so we can see the value come back
loadm bx, 10    ; bx = cell 10 = 42: loadm reads a cell into a register
mov cx, bx      ; cx = bx: mov copies the second register into the first
store cx, ff    ; cell ff = 42 as well; the last cell of memory
halt
