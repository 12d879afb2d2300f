; hello.asm - the smallest useful program
; Puts 255 into register ax, counts bx up by one and stops.
load ax, ff   ; ax = 0xff (a constant from 00 to ff)
inc bx        ; bx = bx + 1
halt          ; every program needs a halt
