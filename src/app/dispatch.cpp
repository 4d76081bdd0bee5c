#include "app/dispatch.h"

#include <shellapi.h>

#include <algorithm>

#include "app/app_state.h"
#include "app/card_playback.h"
#include "app/file_commands.h"
#include "app/main_window.h"
#include "app/playback.h"
#include "app/save_bank.h"
#include "app/source_ops.h"
#include "app/work.h"
#include "card/card_sound.h"

namespace corvane {

namespace {

void OpenInBrowser(const wchar_t* url) {
    ShellExecuteW(nullptr, L"open", url, nullptr, nullptr, SW_SHOWNORMAL);
}

OpenWebPageFunction openWebPage = OpenInBrowser;

void SelectionChanged() {
    AppState& app = App();
    const int selection = static_cast<int>(SendMessageW(app.SourceList, LB_GETCURSEL, 0, 0));
    if (selection == app.SelectedIndex) return;  // focus changes, clicks on the loaded entry
    StopPlayback();
    app.SelectedIndex = selection;
    LoadSource([] { AnalyseSample(true); });
}

void PlayIfValid() {
    if (App().SampleValid) PlayWaveImage();
}

void PlaySource() {
    StopPlayback();
    if (App().SourceInImage) return PlayIfValid();
    LoadSource([] {  // the image holds decoded samples: bring the source back
        AnalyseSample(false);
        PlayIfValid();
    });
}

void PlayRepacked() {
    StopPlayback();
    if (!App().SourceInImage) {  // the decoded image is still there: play it again
        if (App().SampleValid) PlayWaveImage();
        return;
    }
    LoadSource([] {
        RepackSample([] {
            if (!App().SampleValid) return;
            AnalyseSample(false);
            ShowPackedTable();
            PlayWaveImage();
        });
    });
}

// The packed file decoded as the card stores it, played by the card model at the note and
// finetune the Card column shows (or the note chosen), at full volume, with the sample's loop.
void PlayPackedOnCard() {
    const AppState& app = App();
    const auto packed = ParsePackedFile(app.PackedImage);
    if (!app.SampleValid || !packed) return;
    CardNote note = NearestNote(app.CardRom, WaveHeader::From(app.WaveImage).SampleRate()).note;
    note.note = PlayNoteChosen().value_or(note.note);
    std::optional<CardLoop> loop;
    if (app.SourceLoop) loop = CardLoopOf(*app.SourceLoop, SamplesOf(app.WaveImage).size());
    PlayOnCard(StoredSamplesOf(*packed), {.period = StepPeriodOf(app.CardRom, note), .loop = loop});
}

// The source packed as COMPRESS FILE packs it (the source read again after a repacked playback).
void PlaySourceOnCard() {
    StopPlayback();
    if (App().SourceInImage) return PackSample(PlayPackedOnCard);
    LoadSource([] {
        AnalyseSample(false);
        PackSample(PlayPackedOnCard);
    });
}

void CoderChanged() {
    AppState& app = App();
    if (CoderChosen() == app.Coder) return;  // focus changes, the list opening
    app.Coder = CoderChosen();
    SetLabel(Layout::SnrLabel, "");
    if (!app.SourceInImage) {  // the plots and the image hold the other coder's result
        StopPlayback();
        LoadSource([] { AnalyseSample(false); });
    }
}

// A new rate or loop choice for the selected entry, or a new ROM: the sample is prepared anew
// and a table derived for it, as for a newly selected entry.
void PreparationChanged() {
    AppState& app = App();
    const Rom rom = RomChosen();
    if (rom != app.CardRom) ShowRateChoices(rom);
    const SampleChoice choice{RateChosen(), LoopChosen()};
    if (choice == ChoiceOf(app.SelectedIndex) && rom == app.CardRom) return;  // focus changes
    app.CardRom = rom;
    app.LastChoice = choice;
    if (app.SelectedIndex >= 0 && app.SelectedIndex < static_cast<int>(app.Choices.size()))
        app.Choices[static_cast<std::size_t>(app.SelectedIndex)] = choice;
    SetLabel(Layout::SnrLabel, "");
    StopPlayback();
    LoadSource([] { AnalyseSample(true); });
}

}  // namespace

OpenWebPageFunction SetOpenWebPageFunction(OpenWebPageFunction function) {
    const OpenWebPageFunction previous = openWebPage;
    openWebPage = function != nullptr ? function : OpenInBrowser;
    return previous;
}

void DispatchCommand(int id) {
    // While long work runs, only what starts no other work: stop, cancel, the pages, the
    // listing (the controls of the rest are disabled meanwhile).
    const int whileWorking[] = {IdStop, IdCancel, IdAbout, IdBack, IdDonateLink, IdSaveDepacker};
    if (WorkRunning() &&
        std::find(std::begin(whileWorking), std::end(whileWorking), id) == std::end(whileWorking)) {
        return;
    }
    switch (id) {
        case IdSourceList:
            SelectionChanged();
            break;
        case IdOpenFiles:
            ChooseSourceFiles();
            break;
        case IdPlaySource:
            PlaySource();
            break;
        case IdStop:
            StopPlayback();
            break;
        case IdPlayRepacked:
            PlayRepacked();
            break;
        case IdPlayOnCard:
            PlaySourceOnCard();
            break;
        case IdCoder:
            CoderChanged();
            break;
        case IdRate:
        case IdRom:
        case IdLoop:
            PreparationChanged();
            break;
        case IdCancel:
            CancelWork();
            break;
        case IdCompressFile:
            SavePacked();
            break;
        case IdCompressAll:
            CompressAll();
            break;
        case IdSaveDepacker:
            SaveDepacker();
            break;
        case IdSaveBank:
            SaveBank();
            break;
        case IdAbout:
            ShowAboutPage();
            break;
        case IdBack:
            ShowMainPage();
            break;
        case IdDonateLink:
            openWebPage(DonateUrl());
            break;
        default:
            break;
    }
}

}  // namespace corvane
