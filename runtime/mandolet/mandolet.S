; Mandolet runtime: ATtiny861 at 8 MHz. Routines sit at fixed flash
; addresses (.org) because compiled programs are linked against them.
#include "layout.inc"
#include "tiny.inc"

#define TCCR1A 0x30
#define TCCR1B 0x2F
#define OCR1A 0x2D
#define OCR1B 0x2C
#define OCR1C 0x2B
#define OCR1D 0x2A
#define TCCR1C 0x27
#define TCCR1D 0x26
#define TC1H 0x25
#define TXBIT 4 /* PORTB.4 */
#define RXBIT 6 /* PINB.6 */
	.set PORTA_AND_DDRA, 0x3B

	.text
	TINY_VECTORS 19
	VECTOR_ALIASES 1, 18
	SECTION_MARKERS
	START_UP 0x25F, rcall, rjmp

	.org 0x48
	PRINT_NUMBER softserial_send
	.org 0xBA
	PRINT_STR softserial_send
	.org 0xD4
	PRINT_NEWLINE softserial_send
	.org 0xDC
	ADC_READ

; Timer 1 in 10-bit fast PWM on OC1A (PB1), OC1B (PB3) and OC1D (PB5), top
; 1023, all three duties 0; \clock is the prescaler written to TCCR1B.
.macro TIMER1_PWM clock
	ldi r24, 0xA3           ; COM1A1, COM1B1, PWM1A, PWM1B
	out TCCR1A, r24
	ldi r24, 0xA9           ; COM1A1S, COM1B1S, COM1D1, PWM1D
	out TCCR1C, r24
	ldi r24, 0
	out TCCR1D, r24         ; fast PWM
	ldi r24, 3
	out TC1H, r24
	ldi r24, 0xFF
	out OCR1C, r24          ; top 0x3FF
	ldi r24, 0
	out TC1H, r24
	out OCR1A, r24
	out OCR1B, r24
	out OCR1D, r24
	ldi r24, \clock
	out TCCR1B, r24
	ret
.endm

; Writes r22 (high bits already in TC1H) to the compare register of the
; channel in r24 (0, 1 or 2, checked by the caller).
.macro COMPARE_BY_CHANNEL
	cpi r24, 1
	breq 1f
	brsh 2f
	out OCR1A, r22
	ret
1:	out OCR1B, r22
	ret
2:	out OCR1D, r22
	ret
.endm

	.org 0xF6
servo_init:                     ; clock / 128: 61 Hz frame, 16 us steps
	TIMER1_PWM 8

	.org 0x126
; servo_set(channel, value): value limited to 0..1023, value / 18 + 66 steps
; (1.06 to 1.95 ms). Other channels do nothing.
servo_set:
	tst r25
	brne 9f
	cpi r24, 3
	brsh 9f
	mov r18, r24            ; the channel survives the division
	movw r24, r22
	CLAMP_0_1023
	ldi r22, 18
	ldi r23, 0
	rcall __udivmodhi4
	subi r22, -66
	ldi r19, 0
	out TC1H, r19
	mov r24, r18
	COMPARE_BY_CHANNEL
9:	ret

	.org 0x16C
pwm_init:                       ; clock / 8: 977 Hz
	TIMER1_PWM 4

	.org 0x19C
; pwm_set(channel, value): 10-bit duty of channel 0, 1 or 2.
pwm_set:
	tst r25
	brne 9f
	cpi r24, 3
	brsh 9f
	out TC1H, r23
	COMPARE_BY_CHANNEL
9:	ret

	.org 0x1C0
	PRINT_CHAR
	.org 0x1C2
	RECEIVE waitchar
	.org 0x1C8
	RECEIVE recvchar
	.org 0x1CE
	WAITMS 1999
	.org 0x1E4
	WAITUS 2, 1
	.org 0x1F6
	SOFTSERIAL_INIT PORTB, DDRB, TXBIT, RXBIT
	.org 0x200
	SOFTSERIAL_SEND PORTB, TXBIT, 831
	.org 0x23C
	SOFTSERIAL_RECV

	.org 0x240
main:
	ldi r24, 0x8B
	out DDRA, r24
	ldi r24, 0x54
	out PORTA, r24
	ldi r24, 0x2F
	out DDRB, r24
	ADC_ON
	rcall softserial_init
	rjmp call_user_main

	.org 0x26E
	CALL_USER_MAIN
	.org 0x27A
	MULHI3_SOFT
	.org 0x29E
	DIVMODHI4 rcall
	.org 0x2C4
	UDIVMODHI4
	.org 0x2EC
	STOP_LOOP

	VARIABLES
