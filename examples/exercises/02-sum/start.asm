; 02 A sum
; Cells 00 and 01 hold two numbers; put their sum into cell 02.
; Write your instructions below, one per line, before the halt.


halt            ; the program ends here
