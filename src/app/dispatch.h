#pragma once
// User commands: the WM_COMMAND identifiers of the list and the buttons, and their handling.
#include <windows.h>

namespace corvane {

enum CommandId : int {
    IdSourceList = 1,
    IdOpenFiles = 10,
    IdPlaySource = 20,
    IdStop = 30,
    IdPlayRepacked = 50,
    IdCoder = 60,
    IdRate = 61,
    IdRom = 62,
    IdLoop = 63,
    IdCancel = 70,
    IdCompressFile = 80,
    IdCompressAll = 90,
    IdSaveDepacker = 95,
    IdSaveBank = 96,
    IdPlayOnCard = 97,
    IdPlayNote = 98,
    IdTape = 99,
    IdAbout = 500,
    IdBack = 590,
    IdDonateLink = 777,
};

// Carries out the command of control `id`; unknown identifiers do nothing.
void DispatchCommand(int id);

// Opens a web page; replaceable so tests can see the address without starting a browser.
using OpenWebPageFunction = void (*)(const wchar_t* url);
OpenWebPageFunction SetOpenWebPageFunction(OpenWebPageFunction function);  // returns the previous

}  // namespace corvane
