; 06 Swapping two registers with xor
; Swap ax and bx, using xor only: no third register, no memory.
; Write your instructions below, one per line, before the halt.


halt            ; the program ends here
