; 04 A countdown without jumps - a sample solution
; No jumps, so each step of the count is written out.

load ax, 05     ; ax = 5, the only load
store ax, 00    ; cell 00 = 5
dec ax          ; ax = 4
store ax, 01    ; cell 01 = 4
dec ax          ; ax = 3
store ax, 02    ; cell 02 = 3
dec ax          ; ax = 2
store ax, 03    ; cell 03 = 2
dec ax          ; ax = 1
store ax, 04    ; cell 04 = 1
dec ax          ; ax = 0: the count is over
halt
