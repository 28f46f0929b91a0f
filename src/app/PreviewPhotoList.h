#pragma once

#include "ui/preview/COutputPreviewDlg.h"

class CMainDlgUI;

// The main window's file list as the output preview pages through it: the selection moves
// with the photo on show.
COutputPreviewDlg::PhotoList previewPhotoList(CMainDlgUI* ui);
