#pragma once
// Printing the components to multi-page PDFs, from the headless run and from
// the window's "Print to PDF" action.
#include <QString>

class QMainWindow;

// Writes one PDF per component into aDir; 0 on success.
int WritePrintedPdfs(const QString& aDir);
// Adds File > "Print to PDF" to the window: the PDFs go to a chosen folder.
void AddPrintToPdfAction(QMainWindow* aWindow);
