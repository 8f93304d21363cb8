#pragma once
#include <string>
#include <vector>

#include "settings/settings.h"

// What a drop on the picture list gives: the entries to add, in order, and what was refused.
struct DropResult {
    std::vector<ImageEntry> Added;
    // Where each added entry's file was found (as dropped or walked, before lower-casing).
    std::vector<std::string> Found;
    int Refused = 0;            // dropped files (and pictures in dropped folders) not added
    std::string FirstRefusal;   // the message for the first of them
    bool ListFull = false;      // the list reached its limit: the rest of the drop was not read
};

// Takes each dropped path in order: a folder gives the pictures inside it and its subfolders
// (hidden entries, "._" files and links left out, in the order of the stored paths' bytes);
// a file is checked by the list's rules. `room` is how many entries the list can still take.
DropResult TakeDroppedFiles(const std::vector<std::string>& files, int room);

// The message a drop's refusals come to; empty when nothing was refused.
std::string RefusalMessage(const DropResult& result, std::size_t dropped);

// What to tell the user when the system cannot draw some format of the added pictures (found by
// drawing one of them small); empty when every format drew.
std::string MissingFormatsMessage(const DropResult& result);
