; Corbelo runtime: ATtiny84 at 8 MHz. The same routines as Mandolet, packed
; without gaps; the board has no PWM or servo outputs, so those routines
; return at once. Its serial line is PB0 (transmit) and PB1 (receive).
#include "layout.inc"
#include "tiny.inc"

#define TXBIT 0
#define RXBIT 1

	.text
	TINY_VECTORS 17
	VECTOR_ALIASES 1, 16
	SECTION_MARKERS
	START_UP 0x25F, rcall, rjmp

	PRINT_NUMBER softserial_send
	PRINT_STR softserial_send
	PRINT_NEWLINE softserial_send
	ADC_READ
servo_init:
	ret
servo_set:
	ret
pwm_init:
	ret
pwm_set:
	ret
	PRINT_CHAR
	RECEIVE waitchar
	RECEIVE recvchar
	WAITMS 1999
	WAITUS 2, 1
	SOFTSERIAL_INIT PORTB, DDRB, TXBIT, RXBIT
	SOFTSERIAL_SEND PORTB, TXBIT, 831
	SOFTSERIAL_RECV

main:
	ADC_ON
	rcall softserial_init
	rjmp call_user_main

	CALL_USER_MAIN
	MULHI3_SOFT
	DIVMODHI4 rcall
	UDIVMODHI4
	.org 0x22A
	STOP_LOOP

	VARIABLES
