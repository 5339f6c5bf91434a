#include "app/main_window.h"

#include "songlist/drive_list.h"
#include "songlist/folder_list.h"

void frmMain::Drive_Change()
{
    // A drive that cannot be opened is reported; the folder list stays where it was while the
    // drive list keeps the new choice, so a search then still covers the old folder.
    trapped(Heading::General, [&] { DirTree->setPath(Drive->drive()); });
}

// Opening a folder only changes what the folder list shows: the search reads it when it runs.
void frmMain::DirTree_Change() { }
