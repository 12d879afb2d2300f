; 01 Load and store - a sample solution

load ax, 2a     ; ax = 42
store ax, 10    ; cell 10 = ax = 42
load ax, ff     ; ax = 255; the 42 in ax is simply overwritten
store ax, 11    ; cell 11 = 255
halt
