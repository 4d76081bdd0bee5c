#pragma once
// The General Sound card as its firmware (ROM 1.04 and 1.05) behaves towards the host: one data
// flag for both directions, a command flag cleared only once the handler has done its own steps,
// effects loaded through the receive loop, the period worked out at #38 and #40 only. Each
// command runs as the firmware's handler does, step by named step, a little after the host
// wrote it; the receive loop takes a byte `byteTime` after it arrived.
//
// Where the model is stricter than the card (each is reported as a fault, where the card would
// go on in its own way): data the host writes before the card read the last byte, a command
// written over one not yet taken, a command other than #D1/#D2 inside a load (ignored by the
// card), #D1/#D2 outside a load, a command before #48/#49's last byte (the card would run it and
// drop the rest), a sample larger than the free memory (the card drops what does not fit), a
// parameter command with no current effect. A 61st #38 is answered 0 and loads nothing, as on
// the card.
// Status bits 1 to 6 read as 1, so a host must test bits 0 and 7 alone.
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "card/pitch.h"

namespace corvane::z80 {

// One write the card saw: a command on port 187 or a data byte on port 179.
struct CardWrite {
    bool command = false;
    std::uint8_t value = 0;
    std::uint64_t clock = 0;  // host T-states since the program started
    bool operator==(const CardWrite& other) const {
        return command == other.command && value == other.value;
    }
};

// An effect as the card holds it: its samples, the parameters stored, and the period it plays
// at, worked out when the firmware does.
struct Effect {
    std::vector<std::uint8_t> samples;
    int note = 60, volume = 0x40, finetune = 0;  // finetune: the byte #42 stored
    std::uint32_t loopBegin = 0xFFFFFF, loopEnd = 0;
    std::uint16_t period = 0;  // the playing period
};

// How quickly the card answers, in host T-states (3.5 MHz; the card runs at 12 MHz).
struct CardPace {
    std::uint64_t command = 60;  // from a command written to its handler's first step
    std::uint64_t step = 6;      // between a handler's steps
    std::uint64_t byte = 20;     // the receive loop: about 70 of the card's cycles a byte
    bool answers = true;         // false: a card that never takes a command
};

constexpr CardPace kAtOnce{0, 0, 0};  // a card that answers each write at once

class GsCard {
  public:
    // Status reads with nothing left for the card to do before a wait is said never to end.
    static constexpr int kNeverEndingReads = 300'000;

    explicit GsCard(Rom rom = Rom::V104, CardPace pace = {}, std::size_t memory = 114'688)
        : rom_(rom), pace_(pace), free_(memory) {}

    // Effects some earlier program loaded: empty ones, taking handles 1 to `count`.
    void AddLoaded(std::size_t count) { effects_.resize(effects_.size() + count); }
    Rom rom() const { return rom_; }
    const std::vector<Effect>& effects() const { return effects_; }
    const std::vector<CardWrite>& writes() const { return writes_; }
    // Handles #39 started; 0 for #3A stopping every channel (mask FFh), minus another mask.
    const std::vector<int>& played() const { return played_; }
    std::size_t freeMemory() const { return free_; }
    const std::string& fault() const { return fault_; }
    bool loading() const { return mode_ == Mode::Loading; }
    // Everything the host wrote has been taken and answered.
    bool Settled(std::uint64_t now) {
        Advance(now);
        return !commandFlag_ && !hostByte_ && steps_.empty() && loopBytes_ == 0;
    }

    // The host's side of the ports, at host clock `now`; `pc` names the host's instruction.
    std::uint8_t ReadStatus(std::uint64_t now, unsigned pc) {
        Advance(now);
        const std::uint8_t status =
            static_cast<std::uint8_t>(0x7E | (dataFlag_ ? 0x80 : 0) | (commandFlag_ ? 0x01 : 0));
        if (status != lastStatus_ || !steps_.empty()) {
            lastStatus_ = status;
            idleReads_ = 0;
        } else if (++idleReads_ == kNeverEndingReads) {
            Fault("a wait that never ends: the host polls status #" + Hex(status) + " at PC #" +
                  Hex(pc, 4) + " and the card has nothing left to do");
        }
        return status;
    }
    std::uint8_t ReadData(std::uint64_t now) {
        Advance(now);
        dataFlag_ = false;  // the host's read clears the flag
        Changed();
        return output_;
    }
    void WriteData(std::uint8_t value, std::uint64_t now) {
        Advance(now);
        writes_.push_back({false, value, now});
        if (hostByte_)
            Fault("data byte " + std::to_string(writes_.size()) +
                  " written over one the card had not read");
        input_ = value;
        hostByte_ = true;
        dataFlag_ = true;  // the host's write sets it
        dataAt_ = now;
        Changed();
    }
    void WriteCommand(std::uint8_t command, std::uint64_t now) {
        Advance(now);
        writes_.push_back({true, command, now});
        if (commandFlag_) Fault("command #" + Hex(command) + " written over one not yet taken");
        command_ = command;
        commandFlag_ = true;
        commandAt_ = now;
        Changed();
    }

  private:
    enum class Mode { Commands, Loading, LoopBytes };
    using Step = std::function<void()>;
    struct Pending {
        std::uint64_t at;
        Step step;
    };

    static std::string Hex(unsigned value, int digits = 2) {
        static const char* kDigits = "0123456789ABCDEF";
        std::string text;
        for (int d = digits - 1; d >= 0; --d) text += kDigits[(value >> (4 * d)) & 15];
        return text;
    }
    void Fault(const std::string& what) {
        if (fault_.empty()) fault_ = what;
    }
    void Changed() { idleReads_ = 0; }
    Effect* Current() {
        if (current_ == 0) Fault("a parameter command with no current effect");
        return current_ ? &effects_[current_ - 1] : &scratch_;
    }
    std::uint16_t Period(int note, int stored) const {
        const int nibble = (stored >> 1) & 15;  // bits 1 to 4: 0..7, then -8..-1
        return PeriodOf(rom_, {note, nibble < 8 ? nibble : nibble - 16});
    }

    // The firmware's steps, each as its handlers take it.
    void WriteOutput(int value) {  // OUT (OUTRG): the reply; sets the data flag
        output_ = static_cast<std::uint8_t>(value);
        dataFlag_ = true;
    }
    void ReadData() {  // IN (DATRG): takes the host's byte; clears the data flag
        taken_ = input_;
        hostByte_ = dataFlag_ = false;
    }
    void ClearCommand() { commandFlag_ = false; }  // OUT (RSCOM): the command taken
    void NewEffect() {                             // #38: the next handle; the receive loop begins
        effects_.emplace_back();
        current_ = effects_.size();
        mode_ = Mode::Loading;
    }
    void StoreByte() {
        if (free_ == 0) return Fault("a sample byte with the card's memory full");
        --free_;
        effects_.back().samples.push_back(taken_);
    }
    void EndLoad() {  // #D2: note 60, volume #40, finetune 0, no loop, the period worked out
        Effect& effect = effects_.back();
        effect = {std::move(effect.samples)};
        effect.loopEnd = static_cast<std::uint32_t>(effect.samples.size());
        effect.period = Period(60, 0);
        mode_ = Mode::Commands;
    }
    void SetNote() {  // #40: the period of the note and the finetune stored now
        Effect& effect = *Current();
        effect.note = std::min<int>(taken_, 95);
        effect.period = Period(effect.note, effect.finetune);
    }
    void LoopPoint(bool begin) {  // #48, #49: the low byte; the others follow as data
        loopPoint_ = begin ? &Current()->loopBegin : &Current()->loopEnd;
        *loopPoint_ = taken_;
        loopBytes_ = 2;
        mode_ = Mode::LoopBytes;
    }
    void StoreLoopByte() {
        *loopPoint_ |= std::uint32_t{taken_} << (8 * (3 - loopBytes_));
        if (--loopBytes_ == 0) mode_ = Mode::Commands;
    }
    void Play() {  // #39: 0 for a handle it knows, else FFh, left for the host
        const std::size_t handle = taken_ == 0 ? current_ : taken_;
        const bool known = handle != 0 && handle <= effects_.size();
        WriteOutput(known ? 0 : 0xFF);
        if (known) played_.push_back(static_cast<int>(handle));
    }

    // The handler's steps for `command`, from `at` on, in the firmware's order.
    void Handle(std::uint8_t command, std::uint64_t at) {
        const Step read = [this] { ReadData(); }, clear = [this] { ClearCommand(); };
        const auto reply = [this](int value) { return [this, value] { WriteOutput(value); }; };
        const auto then = [this](void (GsCard::*step)()) {
            return [this, step] { (this->*step)(); };
        };
        std::vector<Step> steps;
        const int count = static_cast<int>(effects_.size());
        switch (command) {
            case 0x38:  // a full card answers 0 and loads nothing
                steps = {reply(count < 60 ? count + 1 : 0), read, clear};
                if (count < 60) steps.push_back(then(&GsCard::NewEffect));
                break;
            case 0x40:
                steps = {read, clear, then(&GsCard::SetNote)};
                break;
            case 0x41:
                steps = {read, clear, [this] { Current()->volume = std::min<int>(taken_, 0x40); }};
                break;
            case 0x42:  // stored only: the period stays as #38 or #40 worked it out
                steps = {[this] { WriteOutput(Current()->finetune); }, read, clear,
                         [this] { Current()->finetune = taken_; }};
                break;
            case 0x48:
            case 0x49:
                steps = {read, clear, [this, command] { LoopPoint(command == 0x48); }};
                break;
            case 0x2E:
                steps = {reply(static_cast<int>(current_)), read, clear, [this] {
                             current_ = taken_ == 0                 ? effects_.size()
                                        : taken_ <= effects_.size() ? taken_
                                                                    : 0;
                         }};
                break;
            case 0x39:
                steps = {read, then(&GsCard::Play), clear};
                break;
            case 0x3A:
                steps = {read, clear, [this] { played_.push_back(taken_ == 0xFF ? 0 : -taken_); }};
                break;
            default:
                Fault("command #" + Hex(command) +
                      (command == 0xD1 || command == 0xD2 ? " with no effect loading"
                                                          : ", which the model does not know"));
                steps = {clear};
        }
        for (Step& step : steps) {
            steps_.push_back({at, std::move(step)});
            at += pace_.step;
        }
    }

    // Runs the card up to host clock `now`: its pending steps, then what its loop finds. A
    // handler's steps clear the flag that started it, so the loop never finds one twice.
    void Advance(std::uint64_t now) {
        if (!pace_.answers) return;
        while (true) {
            if (!steps_.empty()) {
                if (steps_.front().at > now) return;
                const Pending p = std::move(steps_.front());
                steps_.pop_front();
                freeAt_ = p.at;
                p.step();
                continue;
            }
            const std::uint64_t commandAt = std::max(commandAt_, freeAt_);
            const std::uint64_t byteAt = std::max(dataAt_, freeAt_) + pace_.byte;
            if (mode_ == Mode::Commands) {
                if (!commandFlag_) return;
                Handle(command_, commandAt + pace_.command);
            } else if (commandFlag_ && mode_ == Mode::LoopBytes) {
                Fault("a command before the loop point's last byte");
                mode_ = Mode::Commands;
                loopBytes_ = 0;
            } else if (commandFlag_) {  // the receive loop takes a command before a byte
                if (command_ != 0xD1 && command_ != 0xD2) {
                    Fault("command #" + Hex(command_) + " inside a load");
                }
                steps_.push_back({commandAt + pace_.byte, [this] { ClearCommand(); }});
                if (command_ == 0xD2)
                    steps_.push_back({commandAt + pace_.byte, [this] { EndLoad(); }});
            } else if (hostByte_) {
                const bool loading = mode_ == Mode::Loading;
                steps_.push_back({byteAt, [this, loading] {
                                      ReadData();
                                      loading ? StoreByte() : StoreLoopByte();
                                  }});
            } else {
                return;
            }
        }
    }

    Rom rom_;
    CardPace pace_;
    std::size_t free_;
    std::vector<Effect> effects_;
    Effect scratch_;           // what a parameter command with no current effect changes
    std::size_t current_ = 0;  // the current effect's handle, 0 for none
    std::vector<CardWrite> writes_;
    std::vector<int> played_;
    std::string fault_;

    bool dataFlag_ = false, commandFlag_ = false, hostByte_ = false;
    std::uint8_t input_ = 0, output_ = 0, command_ = 0, taken_ = 0;
    std::uint64_t dataAt_ = 0, commandAt_ = 0, freeAt_ = 0;
    Mode mode_ = Mode::Commands;
    std::deque<Pending> steps_;
    std::uint32_t* loopPoint_ = nullptr;
    int loopBytes_ = 0;
    std::uint8_t lastStatus_ = 0;
    int idleReads_ = 0;
};

}  // namespace corvane::z80
