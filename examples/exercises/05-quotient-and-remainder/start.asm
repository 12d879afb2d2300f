; 05 Quotient and remainder
; Cell 00 = a number, cell 01 = a divisor; put the quotient into
; cell 02 and the remainder into cell 03.
; Write your instructions below, one per line, before the halt.


halt            ; the program ends here
