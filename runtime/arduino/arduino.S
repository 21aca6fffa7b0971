; Arduino runtime: ATmega328P at 16 MHz. Serial output goes through the
; hardware USART at 9600 baud, 8N1.
#include "layout.inc"

#define DDRB 0x04
#define DDRD 0x0A
#define TCCR0A 0x24
#define TCCR0B 0x25
#define OCR0A 0x27
#define OCR0B 0x28
#define ADCL 0x78
#define ADCH 0x79
#define ADCSRA 0x7A
#define ADMUX 0x7C
#define TCCR1A 0x80
#define TCCR1B 0x81
#define ICR1L 0x86
#define ICR1H 0x87
#define OCR1AL 0x88
#define OCR1AH 0x89
#define OCR1BL 0x8A
#define OCR1BH 0x8B
#define TCCR2A 0xB0
#define TCCR2B 0xB1
#define OCR2A 0xB3
#define OCR2B 0xB4
#define UCSR0A 0xC0
#define UCSR0B 0xC1
#define UCSR0C 0xC2
#define UBRR0L 0xC4
#define UBRR0H 0xC5
#define UDR0 0xC6
#define UBRR_9600 103           /* 16 MHz / (16 * 9600) - 1 */

	.text
__vectors:
	jmp __init
	.rept 25
	jmp __bad_interrupt
	.endr
	VECTOR_ALIASES 1, 25
	SECTION_MARKERS
	START_UP 0x8FF, call, jmp

	PRINT_NUMBER serial_send
	PRINT_STR serial_send
	PRINT_NEWLINE serial_send

print_char:
	rjmp serial_send
waitchar:
	rcall serial_recv
	ldi r25, 0
	ret
recvchar:
	rcall serial_recv_if_avail
	ldi r25, 0
	ret

; serial_send(r24): waits for room in the transmit buffer. Clobbers r25.
serial_send:
1:	lds r25, UCSR0A
	sbrs r25, 5             ; UDRE0
	rjmp 1b
	sts UDR0, r24
	ret

; serial_recv(): waits for a received byte.
serial_recv:
1:	lds r24, UCSR0A
	sbrs r24, 7             ; RXC0
	rjmp 1b
	lds r24, UDR0
	ret

; serial_recv_if_avail(): the received byte, or 0 when none is waiting.
serial_recv_if_avail:
	lds r25, UCSR0A
	ldi r24, 0
	sbrc r25, 7
	lds r24, UDR0
	ret

; adc_read(channel): low four bits of the channel into ADMUX (reference
; kept), one conversion, the 10-bit result.
adc_read:
	lds r25, ADMUX
	andi r25, 0xF0
	andi r24, 0x0F
	or r25, r24
	sts ADMUX, r25
	lds r24, ADCSRA
	ori r24, 0x40           ; ADSC
	sts ADCSRA, r24
1:	lds r24, ADCSRA
	sbrc r24, 6
	rjmp 1b
	lds r24, ADCL
	lds r25, ADCH
	ret

	WAITMS 3998             ; 16002 cycles
	WAITUS 3, 0             ; 16 cycles

; pwm_output(channel, value): 8-bit duty (the value's low byte) on OC0A
; (PD6), OC0B (PD5), OC2A (PB3) or OC2B (PD3) for channels 0 to 3; timers 0
; and 2 run fast PWM at clock / 64. Other channels do nothing.
pwm_output:
	tst r25
	brne 9f
	cpi r24, 4
	brsh 9f
	ldi r18, 0xA3           ; both outputs non-inverting, fast PWM
	out TCCR0A, r18
	sts TCCR2A, r18
	ldi r18, 0x03
	out TCCR0B, r18
	ldi r18, 0x04
	sts TCCR2B, r18
	cpi r24, 1
	breq 1f
	brsh 2f
	sbi DDRD, 6
	out OCR0A, r22
	ret
1:	sbi DDRD, 5
	out OCR0B, r22
	ret
2:	cpi r24, 3
	breq 3f
	sbi DDRB, 3
	sts OCR2A, r22
	ret
3:	sbi DDRD, 3
	sts OCR2B, r22
9:	ret

; servo_output(channel, value): a 50 Hz servo pulse on OC1A (PB1) or OC1B
; (PB2) for channels 0 and 1; the value, limited to 0..1023, gives
; 1 ms + value * 1 us. Other channels do nothing.
servo_output:
	tst r25
	brne 9f
	cpi r24, 2
	brsh 9f
	mov r18, r24
	movw r24, r22
	CLAMP_0_1023
	add r24, r24            ; half-microsecond steps
	adc r25, r25
	subi r24, lo8(-2000)
	sbci r25, hi8(-2000)
	ldi r19, hi8(39999)     ; 20 ms frame at clock / 8
	sts ICR1H, r19
	ldi r19, lo8(39999)
	sts ICR1L, r19
	ldi r19, 0xA2           ; COM1A1, COM1B1, fast PWM with top ICR1
	sts TCCR1A, r19
	ldi r19, 0x1A
	sts TCCR1B, r19
	tst r18
	brne 1f
	sbi DDRB, 1
	sts OCR1AH, r25
	sts OCR1AL, r24
	ret
1:	sbi DDRB, 2
	sts OCR1BH, r25
	sts OCR1BL, r24
9:	ret

; The chart's port bits (PORTB) drive their pins; PB6 and PB7 carry the
; crystal.
main:
	ldi r24, 0x3F
	out DDRB, r24
	ldi r24, 0
	sts UBRR0H, r24
	ldi r24, UBRR_9600
	sts UBRR0L, r24
	ldi r24, 0x18           ; receiver and transmitter on
	sts UCSR0B, r24
	ldi r24, 0x06           ; 8N1
	sts UCSR0C, r24
	ldi r24, 0x40           ; AVcc reference, channel 0
	sts ADMUX, r24
	ldi r24, 0x87           ; ADC on, clock / 128
	sts ADCSRA, r24
	rjmp call_user_main

	CALL_USER_MAIN

; r25:r24 * r23:r22, low 16 bits of the product in r25:r24.
__mulhi3:
	mul r24, r22
	movw r20, r0
	mul r25, r22
	add r21, r0
	mul r24, r23
	add r21, r0
	clr r1
	movw r24, r20
	ret

	DIVMODHI4 rcall
	UDIVMODHI4
	.org 0x336
	STOP_LOOP

	VARIABLES
