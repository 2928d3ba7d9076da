// The options property sheet, run modally by sum detection.
#include "rounding/options_sheet.h"

#include "gui/property_sheet.h"
#include "rounding/options_pages.h"
#include "shell/app_object.h"
#include "shell/clock.h"

bool runOptionsSheet(int& boundsEdited, int& protectionEdited, double& seconds) {
    gui::PropertySheet QTB_PropSheet(" Quorant", addinOwnerWindow());
    CPropPage pg_Info;
    CPropPageGO pg_Gnrl;
    CPropPageBnds pg_Bnds;
    CPropPagePL pg_Pnlm;
    CPropPageEE pg_EdtEqs;
    QTB_PropSheet.addPage(&pg_Info);
    QTB_PropSheet.addPage(&pg_Gnrl);
    QTB_PropSheet.addPage(&pg_Bnds);
    QTB_PropSheet.addPage(&pg_Pnlm);
    QTB_PropSheet.addPage(&pg_EdtEqs);

    const int32_t before = processClockMs();
    const int result = QTB_PropSheet.DoModal();
    const int32_t after = processClockMs();
    if (result != gui::IDOK) return false;
    seconds = double(after - before) / 1000;
    boundsEdited = pg_Bnds.boundsEdited;
    protectionEdited = pg_Pnlm.userDefined;
    return true;
}
