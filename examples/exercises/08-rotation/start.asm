; 08 A rotation
; ax = ab000000, bx = 80000000, and cx = f0 turned right by 4 places.
; Write your instructions below, one per line, before the halt.


halt            ; the program ends here
