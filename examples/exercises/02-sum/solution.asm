; 02 A sum - a sample solution

loadm ax, 00    ; ax = cell 00, the first number
loadm bx, 01    ; bx = cell 01, the second number
add ax, bx      ; ax = ax + bx; bx keeps its value
store ax, 02    ; cell 02 = the sum
halt
