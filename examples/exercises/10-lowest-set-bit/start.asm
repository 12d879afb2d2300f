; 10 Bit tricks: the lowest set bit
; ax holds a number; keep it, put it with its lowest 1 bit cleared into
; bx, and that lowest 1 bit alone into cx.
; Write your instructions below, one per line, before the halt.


halt            ; the program ends here
