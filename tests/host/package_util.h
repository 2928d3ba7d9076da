// Writing small zip packages part by part (hand-made .xlsx files for reader
// tests), and converting workbooks to csv with LibreOffice when it is there.
#pragma once

#include <zip.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace hosttest {

inline bool writePackage(const std::string& path, const std::map<std::string, std::string>& parts) {
    int code = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!z) return false;
    for (const auto& [name, data] : parts) {
        zip_source_t* src = zip_source_buffer(z, data.data(), data.size(), 0);
        if (!src || zip_file_add(z, name.c_str(), src, ZIP_FL_OVERWRITE) < 0) {
            zip_source_free(src);
            zip_discard(z);
            return false;
        }
    }
    return zip_close(z) == 0;
}

inline std::string readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

inline void writeFile(const std::string& path, const std::string& data) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << data;
}

inline bool haveSoffice() {
    return std::system("command -v soffice >/dev/null 2>&1") == 0;
}

// Converts a workbook with LibreOffice to `filter` ("xlsx", "pdf", a csv
// filter with its options) into `outdir`; LibreOffice recalculates the
// formulas of the file on loading (a private profile sets that). Returns the
// command's exit status.
inline int sofficeConvert(const std::string& workbook, const std::string& filter,
                          const std::string& outdir) {
    namespace fs = std::filesystem;
    fs::path profile = fs::absolute("lo-profile");
    fs::create_directories(profile / "user");
    writeFile((profile / "user" / "registrymodifications.xcu").string(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
              "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
              "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
              "<item oor:path=\"/org.openoffice.Office.Calc/Formula/Load\">"
              "<prop oor:name=\"OOXMLRecalcMode\" oor:op=\"fuse\"><value>0</value></prop></item>\n"
              "</oor:items>\n");
    std::string cmd = "soffice -env:UserInstallation=file://" + profile.string() +
                      " --headless --convert-to '" + filter + "' --outdir '" + outdir + "' '" +
                      workbook + "' >soffice.log 2>&1";
    return std::system(cmd.c_str());
}

// Converts every sheet of a workbook to "<outdir>/<stem>-<sheet>.csv".
inline int sofficeToCsv(const std::string& workbook, const std::string& outdir) {
    return sofficeConvert(
        workbook, "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1",
        outdir);
}

}  // namespace hosttest
