; 01 Load and store
; Put 42 (2a) into cell 10 and 255 (ff) into cell 11.
; Write your instructions below, one per line, before the halt.


halt            ; the program ends here
