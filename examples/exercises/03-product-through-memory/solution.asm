; 03 A product through memory - a sample solution

load ax, 0c     ; ax = 12
store ax, 20    ; cell 20 = 12
load ax, 0d     ; ax = 13
store ax, 21    ; cell 21 = 13

loadm cx, 20    ; cx = cell 20 = 12, read back from memory
loadm dx, 21    ; dx = cell 21 = 13
mul cx, dx      ; cx = 12 * 13 = 156 (9c)
store cx, 22    ; cell 22 = 156
halt
