; 07 Masking with and
; ax holds a number; keep it, and put its lowest byte into bx, its
; lowest four bits into cx and its lowest bit into dx.
; Write your instructions below, one per line, before the halt.


halt            ; the program ends here
