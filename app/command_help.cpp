// The help of each command, shown by `quorant COMMAND --help`: the command's
// own arguments and options (the rounding options are listed after them by
// commandHelp where they apply).
#include "app/commands.h"

namespace app {

REGISTER_COMMAND_HELP(
    "round",
    "Arguments and options:\n"
    "  BOOK.xlsx               the workbook (.xlsx; .xls and .ods through\n"
    "                          LibreOffice); it is only read\n"
    "  --out DIR               the folder for the outputs (default: the\n"
    "                          workbook's folder; made when missing)\n"
    "  --select 'Sheet!A1:C40' the block of the list, for a workbook that holds a\n"
    "                          pivot table (default: its saved selection)\n"
    "  --json                  a one-line summary on standard output\n"
    "\n"
    "Exit status: 0 rounded, 1 failed, 2 wrong command line, 3 no rounding\n"
    "exists (the engine's advice is printed), 4 time limit reached.\n",
    true);

REGISTER_COMMAND_HELP(
    "load",
    "Arguments and options:\n"
    "  FILE.qtb|FILE.wq        the instance file (.qtb with positions, .wq without)\n"
    "  --round                 round the loaded instance\n"
    "  --solution FILE.qts     with --round, where a .wq instance's solution goes\n"
    "                          (default: STEM.qts in the output folder)\n"
    "  --out DIR               the folder for the outputs (default: the file's);\n"
    "                          without --round the workbook that shows a .qtb\n"
    "                          instance is saved there as STEM-instance.xlsx\n"
    "  --json                  a one-line summary on standard output\n"
    "\n"
    "The rounding options below apply with --round.\n",
    true);

REGISTER_COMMAND_HELP("save-instance",
                      "Arguments and options:\n"
                      "  BOOK.xlsx               the workbook whose table is captured (only read)\n"
                      "  -o FILE.qtb|FILE.wq     the instance file to write; .wq keeps no cell\n"
                      "                          positions, a name without extension gets .qtb\n"
                      "  --json                  a one-line summary on standard output\n"
                      "\n"
                      "The rounding options below set the bounds, protection levels and base\n"
                      "saved with the instance.\n",
                      true);

REGISTER_COMMAND_HELP(
    "generate",
    "Arguments and options (the boxes of the random instance dialog):\n"
    "  DIMS                    categories per dimension separated by commas, as\n"
    "                          in 3,4,5 for a 3 x 4 x 5 table\n"
    "  --seed N                seed of the values (default: the clock)\n"
    "  --zero-seed N           seed of the positions of the zeros (default: the\n"
    "                          clock)\n"
    "  --from A, --to B        value range (default 1 and 50)\n"
    "  --zeros P               percentage of internal cells set to 0 (default 0)\n"
    "  --real                  values with decimals instead of whole values\n"
    "  --new-workbook          the table goes into a new workbook\n"
    "  -o BOOK.xlsx            where the table is saved (default:\n"
    "                          DIR/random-DIMS.xlsx, as in random-3x4x5.xlsx)\n"
    "  --round                 round the table as round does\n"
    "  --out DIR               the folder for the outputs (default: .)\n"
    "  --json                  a one-line summary on standard output\n"
    "\n"
    "The numbers take digits only, as the dialog's boxes do. The rounding\n"
    "options below apply with --round.\n",
    true);

REGISTER_COMMAND_HELP("import",
                      "Arguments and options:\n"
                      "  BOOK.xlsx               the workbook holding the list (only read)\n"
                      "  --select 'Sheet!A1:C40' the list: label columns, then the value column;\n"
                      "                          a first row with a text value is a header\n"
                      "  -o TABLE.xlsx           where the table is saved (default:\n"
                      "                          DIR/STEM-table.xlsx)\n"
                      "  --round                 round the table as round does\n"
                      "  --out DIR               the folder for the outputs (default: the\n"
                      "                          workbook's)\n"
                      "  --json                  a one-line summary on standard output\n"
                      "\n"
                      "The rounding options below apply with --round.\n",
                      true);

REGISTER_COMMAND_HELP("tests",
                      "Arguments and options:\n"
                      "  FILE.qtt                one test per line: dims seed from to zeros base\n"
                      "                          integers auditing zero-seed minutes repetitions,\n"
                      "                          as in 3,4,5 -1 1 1000 10 10 1 1 -1 1 5\n"
                      "  --keep-books            save each repetition's workbooks into\n"
                      "                          STEM-books/ beside FILE instead of closing them\n"
                      "\n"
                      "The log STEM_comp.log beside FILE is only appended to; summarise it\n"
                      "with quorant analyze.\n",
                      false);

REGISTER_COMMAND_HELP(
    "bias-tests",
    "Arguments and options:\n"
    "  FILE.qtv                one test per line: dims random-weights from to\n"
    "                          base minutes repetitions, as in 5,6 0 1 100 5 1 10\n"
    "  --keep-books            save each repetition's workbooks into\n"
    "                          STEM-books/ beside FILE instead of closing them\n"
    "\n"
    "The log STEM_bias.log beside FILE is only appended to; summarise it\n"
    "with quorant analyze-bias.\n",
    false);

REGISTER_COMMAND_HELP("analyze",
                      "Arguments and options:\n"
                      "  LOG                     a computational test log (STEM_comp.log, as\n"
                      "                          quorant tests writes it); it is only read\n"
                      "  -o BOOK.xlsx            the analysis workbook (default:\n"
                      "                          STEM-analysis.xlsx beside the log)\n"
                      "\n"
                      "A file that is not a computational test log is refused and nothing is\n"
                      "written.\n",
                      false);

REGISTER_COMMAND_HELP("analyze-bias",
                      "Arguments and options:\n"
                      "  LOG                     a bias test log (STEM_bias.log, as quorant\n"
                      "                          bias-tests writes it); it is only read\n"
                      "  -o BOOK.xlsx            the analysed log (default: STEM-analysis.xlsx\n"
                      "                          beside the log)\n"
                      "\n"
                      "A file that is not a bias test log is refused and nothing is written.\n",
                      false);

}  // namespace app
