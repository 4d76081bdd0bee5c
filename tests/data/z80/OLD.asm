; General Sound sample bank OLD, written by Corvane: 2 samples in 1 host page(s) of 16 KB at #C000.
; The program puts the bank's pages (files OLD.0.bin ...) into its own, defines
; SELECT_PAGE (select the bank's page A at #C000), includes this file and calls OLD_LOAD
; once. A sample's handle is then at OLD_HANDLES + its equate.

OLD_COUNT               EQU 2
OLD_ffmpeg_11025_u8_mono EQU 0          ; ffmpeg-11025-u8-mono.wav
OLD_plain_mono16        EQU 1           ; plain-mono16.wav

; The card's handle of each sample, in the order above.
OLD_HANDLES
            DS 2

; Per sample: page, address, note, finetune as #42 takes it (twice its 4-bit form),
; loop begin and end (24 bits, low byte first; a begin of #FFFFFF: no loop).
OLD_DIR
            DB 0                                ; ffmpeg-11025-u8-mono.wav
            DW #C000
            DB 52,#0C,#FF,#FF,#FF,#00,#00,#00
            DB 0                                ; plain-mono16.wav
            DW #C56E
            DB 71,#0E,#FF,#FF,#FF,#00,#00,#00

; OLD_LOAD: loads every sample of the bank into the card, in order, keeps the handle the card
; gives each in OLD_HANDLES, and sends each sample's note (#40), finetune (#42) and loop (#48,
; #49) where they are not the card's own (note 60, finetune 0, no loop). Calls SELECT_PAGE
; with A = the bank's page of each sample; changes AF, BC, DE, HL and IX.
OLD_LOAD
            LD IX,OLD_DIR
            LD HL,OLD_HANDLES
            LD B,OLD_COUNT
OLD_NEXT
            PUSH BC
            PUSH HL
            PUSH IX
            LD A,(IX+0)
            CALL SELECT_PAGE
            POP IX
            LD L,(IX+1)
            LD H,(IX+2)
            CALL OLD_UNPACK
            POP HL
            LD (HL),A
            INC HL
            PUSH HL
            LD A,(IX+3)
            CP 60
            JR Z,OLD_FINETUNE
            LD C,#40
            CALL OLD_SET
OLD_FINETUNE
            LD A,(IX+4)
            OR A
            JR Z,OLD_LOOP
            LD C,#42
            CALL OLD_SET
OLD_LOOP
            LD A,(IX+7)
            INC A
            JR Z,OLD_DONE
            LD A,(IX+5)
            LD C,#48
            CALL OLD_SET
            LD A,(IX+6)
            CALL OLD_SD
            LD A,(IX+7)
            CALL OLD_SD
            LD A,(IX+8)
            LD C,#49
            CALL OLD_SET
            LD A,(IX+9)
            CALL OLD_SD
            LD A,(IX+10)
            CALL OLD_SD
OLD_DONE
            LD DE,11
            ADD IX,DE
            POP HL
            POP BC
            DJNZ OLD_NEXT
            RET

; Data A, then command C.
OLD_SET
            OUT (179),A
            LD A,C
; Command A; waits until the card has taken it.
OLD_SC
            OUT (187),A
OLD_WC
            IN A,(187)
            RRCA
            JR C,OLD_WC
            RET
; Data A; waits until the card has taken it.
OLD_SD
            OUT (179),A
OLD_WD
            IN A,(187)
            RLCA
            JR C,OLD_WD
            RET

; Loads the packed file at HL into the card as a new effect; returns its handle in A.
OLD_UNPACK
            LD A,#38
            CALL OLD_SC
OLD_WN
            IN A,(187)
            RLCA
            JR NC,OLD_WN
            IN A,(179)
            LD (OLD_HANDLE),A
            LD A,#D1
            CALL OLD_SC
            LD C,(HL)
            INC HL
            LD B,(HL)
            INC HL
            LD A,L
            LD (OLD_EDGE_LOW+1),A
            ADD A,10
            LD (OLD_EDGE_HIGH+1),A
            LD D,H
            LD E,L
            INC DE
            LD A,L
            ADD A,11
            LD L,A
            JR NC,OLD_DATA
            INC H
OLD_DATA
            LD A,128
            LD (OLD_AMPLITUDE+1),A
            LD A,B
            OR C
            JR Z,OLD_CLOSE
OLD_BYTE
            PUSH BC
            LD C,(HL)
            EX DE,HL
            LD B,4
OLD_CODE
            BIT 6,C
            JR Z,OLD_DOWN
            INC HL
            JR OLD_SIGN
OLD_DOWN
            DEC HL
OLD_SIGN
            RL C
OLD_AMPLITUDE
            LD A,128
            JR C,OLD_MINUS
            ADD A,(HL)
            JR NC,OLD_OUT
            LD A,255
            JR OLD_OUT
OLD_MINUS
            AND A
            SBC A,(HL)
            JR NC,OLD_OUT
            XOR A
OLD_OUT
            OUT (179),A
            LD (OLD_AMPLITUDE+1),A
            RL C
            LD A,L
OLD_EDGE_LOW
            CP 0
            JR NZ,OLD_NOT_LOW
            INC L
OLD_NOT_LOW
OLD_EDGE_HIGH
            CP 0
            JR NZ,OLD_TAKEN
            DEC L
OLD_TAKEN
            IN A,(187)
            RLCA
            JR C,OLD_TAKEN
            DJNZ OLD_CODE
            EX DE,HL
            INC HL
            POP BC
            DEC BC
            LD A,B
            OR C
            JR NZ,OLD_BYTE
OLD_CLOSE
            LD A,#D2
            CALL OLD_SC
            LD A,(OLD_HANDLE)
            RET
OLD_HANDLE
            DB 0
