; 04 A countdown without jumps
; Cells 00 to 04 = 5, 4, 3, 2, 1, and ax = 0 at the end.
; Use one load, then only dec and store.
; Write your instructions below, one per line, before the halt.


halt            ; the program ends here
