; 03 A product through memory
; Cell 20 = 12 (0c), cell 21 = 13 (0d); read both back, multiply them,
; and store the product in cell 22.
; Write your instructions below, one per line, before the halt.


halt            ; the program ends here
