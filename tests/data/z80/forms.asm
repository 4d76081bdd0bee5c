; One of each form the bank's own assembler takes, assembled by it and by pasmo alike.
Q:          NOP
START       LD A,1 + 2
            LD HL,$+3
            LD BC,#C000-1
            LD DE,0C000h
            LD A,'A'+1
            LD SP,IX
            LD SP,HL
            LD IX,1234
            LD IX,(1234)
            LD (1234),IX
            LD BC,(1234)
            LD (1234),SP
            LD HL,(1234)
            LD (1234),HL
            LD A,(1234)
            LD (1234),A
            LD A,I
            LD A,R
            LD I,A
            LD R,A
            LD (BC),A
            LD (DE),A
            LD A,(BC)
            LD A,(DE)
            LD (HL),5
            LD (HL),B
            LD A,(HL)
            LD E,H
            ADD A,B
            ADC A,(HL)
            SUB 5
            SBC A,7
            AND (HL)
            XOR A
            OR 80h
            CP 'Z'
            ADD HL,HL
            ADD HL,SP
            ADC HL,DE
            SBC HL,SP
            ADD IX,BC
            ADD IX,IX
            INC IX
            DEC IX
            INC (HL)
            DEC L
            INC SP
            DEC BC
            PUSH IX
            POP IX
            PUSH AF
            POP DE
            JP (HL)
            JP (IX)
            JP START
            JP PE,START
            CALL M,Q
            CALL START
            RET PO
            RET
            JR C,Q
            JR NC,START
            JR Z,START
            JR START
            DJNZ START
            RST 38h
            RST 0
            EX DE,HL
            EX AF,AF'
            EX (SP),HL
            EX (SP),IX
            IM 0
            IM 1
            IM 2
            IN A,(254)
            IN B,(C)
            OUT (C),E
            OUT (254),A
            RLC B
            RRC C
            RL D
            RR E
            SLA H
            SRA L
            SRL (HL)
            SRL A
            BIT 7,A
            RES 0,(HL)
            SET 3,B
            RLCA
            RRCA
            RLA
            RRA
            DAA
            CPL
            SCF
            CCF
            HALT
            DI
            EI
            EXX
            NEG
            RETI
            RETN
            LDI
            LDIR
            LDD
            LDDR
            CPIR
            RLD
            RRD
DATA:       DB "Hi",0,'!',255
            DEFB 1,2
            DW Q,1234,START-Q
            DEFW 0FFFFh
            DS 3,0FFh
            DEFS 2
SECOND      EQU DATA+2
            LD A,SECOND-DATA
