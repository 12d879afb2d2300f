; 05 Quotient and remainder - a sample solution

loadm ax, 00    ; ax = the number
loadm bx, 01    ; bx = the divisor
mov cx, ax      ; cx = a copy of the number, since div overwrites it
div cx, bx      ; cx = number / divisor, the remainder dropped
store cx, 02    ; cell 02 = the quotient
mul cx, bx      ; cx = quotient * divisor: the part the division used
sub ax, cx      ; ax = number - that part = the remainder
store ax, 03    ; cell 03 = the remainder
halt
