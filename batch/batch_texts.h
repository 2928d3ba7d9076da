// Texts of the test batches: the dialog, the line reader, the runner, the
// logs and their analysis. Texts for the status bar and alerts keep their
// reserved first character (the host's length byte).
#pragma once

namespace batch {

// ---- the test dialog ---------------------------------------------------------------
inline constexpr char kCaptionComputational[] = "QTB-Tool Computational Tests";
inline constexpr char kCaptionBias[] = "QTB-Tool Bias Tests";
inline constexpr char kSpecExtComputational[] = ".qtt";
inline constexpr char kSpecExtBias[] = ".qtv";
inline constexpr char kSpecFilterComputational[] =
    "QTB-Tool Computation Test Files (.qtt)|*.qtt|Text files (.txt)|*.txt|All files (*.*)|*.*||";
inline constexpr char kSpecFilterBias[] =
    "QTB-Tool Bias Test Files (.qtv)|*.qtv|Text files (.txt)|*.txt|All files (*.*)|*.*||";
// Framed around a path: prefix + path + suffix.
inline constexpr char kAlertCannotReadPrefix[] = " Cannot open file ";
inline constexpr char kAlertCannotReadSuffix[] = " for reading!";
inline constexpr char kAlertNoMemoryReadingFile[] = " Cannot allocate memory for reading ";

// ---- specification lines -------------------------------------------------------------
inline constexpr char kLineHelp[] =
    "\nPlease check line structure: \"dim1,dim2,...,dimx seed_for_table_entries values_from "
    "values_to basenumber values_integer seed_for_zero_insertion time_limit_for_resolution "
    "repetitions\".";
inline constexpr char kAlertNoMemoryReadingLine[] = " Cannot allocate memory for reading!";
inline constexpr char kAlertLineStructure[] = " Error in line structure! ";
inline constexpr char kAlertDimensions[] = "  Error while reading dimensions. ";
inline constexpr char kAlertDimensionsCommasOnly[] =
    " Error while reading dimensions.\nPlease check line structure: \"dim1,dim2,...,dimx seed "
    "from to basenumber\".";
inline constexpr char kAlertSeed[] = " Error while reading random seed! ";
inline constexpr char kAlertFrom[] = " Error while reading variable from!";
inline constexpr char kAlertTo[] = " Error while reading variable to!";
inline constexpr char kAlertZeros[] = " Error while reading percentage of zeros!";
inline constexpr char kAlertBase[] = " Error while reading base number!";
inline constexpr char kAlertIntegerFlag[] = " Error while reading integer flag!";
inline constexpr char kAlertAuditingFlag[] = " Error while reading auditing flag!";
inline constexpr char kAlertZeroSeed[] = " Error while reading seed for zero insertion!";
inline constexpr char kAlertTimeLimit[] =
    " Error while reading maximum time limit for problem resolution! ";
inline constexpr char kAlertRepetitions[] = " Error while reading number of repetitions! ";
inline constexpr char kAlertRandomWeights[] = " Error while reading random weights flag!";
inline constexpr char kAlertBiasBase[] = " Error while reading base number! ";
// printf format: the value read and its integer part.
inline constexpr char kAlertBiasBaseTruncated[] =
    " During the bias test mode, the base number should be integer! %f will be truncated to %f.";

// The bias tally has a class per remainder, and a log line three fields per
// class: the log must still fit the 256 columns a sheet (and analyze-bias)
// reads. printf format: the largest base.
inline constexpr char kAlertBiasBaseTooLarge[] =
    " The base number of a bias test can be at most %d: its log line holds three fields for "
    "every remainder, and a sheet has 256 columns.";
// printf format: the largest count.
inline constexpr char kAlertRepetitionsTooMany[] =
    " A test line can run at most %d repetitions: its log lines must fit a sheet's rows.";
// What the line reader hands over when the file cannot be read as text; the
// reason follows.
inline constexpr char kAlertUnreadableSpecFile[] = " The test file cannot be read: ";

// ---- the runner ------------------------------------------------------------------------
inline constexpr char kAlertUnableToExtract[] = " Unable to extract values from line.";
inline constexpr char kAlertRunnerNoWorkbook[] = " No active Workbook found!";
inline constexpr char kAlertNoMemoryTally[] = " Could not allocate necessary memory!";
inline constexpr char kAlertDeleteWorkbook[] = "  Error while deleting workbook!";

// ---- the logs ----------------------------------------------------------------------------
inline constexpr char kCompLogSuffix[] = "_comp.log";
inline constexpr char kBiasLogSuffix[] = "_bias.log";
// Framed around a path: prefix + path + suffix.
inline constexpr char kStatusCreatingPrefix[] = " Creating new file ";
inline constexpr char kStatusCreatingSuffix[] = " for writing!";
inline constexpr char kAlertCannotWritePrefix[] = " Cannot open file ";
inline constexpr char kAlertCannotWriteSuffix[] = " for writing!";
// The header of the computational log, in the pieces it is written in.
inline constexpr const char* kCompLogHeader[] = {
    "TestNumber",           ";ObjectiveFuncValue",  ";Zero-restricted", ";MaximumJump",
    ";BaseJumps",           ";OverallTime",         ";ResolutionTime",  ";PercentageZeros",
    ";PercentageBetaMults", ";PercentageIntegers\n"};
inline constexpr char kCompLogYes[] = "YES";
inline constexpr char kCompLogNo[] = "NO";
inline constexpr char kBiasLogHeaderStart[] = "TestNumber;a_i-b[a_i/b]=0;#total;#rounded up";
inline constexpr char kBiasLogHeaderClass[] = ";\"=%d\";#tot;#rup";  // per remainder 1 ... b - 1
inline constexpr char kBiasLogBaseLine[] = "Base Number = %d\n";

// ---- the analysis --------------------------------------------------------------------------
inline constexpr char kLogInitialName[] = "*.log";
inline constexpr char kLogDefaultExt[] = "QTB Computational Test log-file";
inline constexpr char kCompLogFilter[] =
    "QTB computational test log files (.qtt)|*.qtt|All files (*.*)|*.*||";
inline constexpr char kBiasLogFilter[] =
    "QTB bias test log files (.log)|*.log|All files (*.*)|*.*||";
inline constexpr char kAlertOpenLog[] = " Unable to open selected file for reading.";
inline constexpr char kAlertLogName[] = " Error while trying to get workbook name!";
inline constexpr char kAlertLastCell[] = " Error on trying to find last cell!";
inline constexpr char kAlertSourceSheetId[] = " Cannot obtain sheet id for source worksheet!";
inline constexpr char kSummarySuffix[] = " - Resume";
inline constexpr char kTestSheetSeparator[] = " - ";
inline constexpr char kAlertSummaryNameTooLong[] =
    " Automatically created workbookname is too long!\n Please choose a shorter name for the "
    "original workbook that contains the test results.";
inline constexpr char kAlertRenameSheet[] = " Unable to rename sheet in new workbook!";
inline constexpr char kAlertNewSheetId[] = " Failed to obtain sheet id of new workbook and sheet!";
inline constexpr char kAlertCopyTitle[] = " Cannot copy title line to new sheet!";
inline constexpr char kAlertFirstColumn[] = " First colum must contain test identification number!";
inline constexpr char kAlertAddSheet[] = " Unable to add sheet to workbook!";
// Counted texts: the first character is the reserved length byte.
inline constexpr char kBiasDistanceLabel[] = " Distance from Base";
inline constexpr char kBiasProbabilityLabel[] = " Probability to Be Rounded Up";

}  // namespace batch
