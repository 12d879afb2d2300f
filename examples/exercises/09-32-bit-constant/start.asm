; 09 A 32-bit constant from 8-bit loads
; Put deadbeef into ax.
; Write your instructions below, one per line, before the halt.


halt            ; the program ends here
