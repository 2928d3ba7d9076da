// Loading large inputs: instance files of up to 1,000,000 cells and workbooks
// of up to 200,000 numeric cells, each at a quarter, half and full size, an
// instance file of 20,000 cells spread thinly over the sheet, and a small
// workbook file whose sheet unpacks to 500 MiB (50,000 numbers, then rows of
// empty formatted cells). Every load
// runs in a fresh process, which reports its time and peak memory; the memory
// a load adds over an empty process is shown per cell, and it must stay about
// the same from the smallest to the largest size (proportional), and for the
// thinly spread cells as for a table.
//
//   inputs_bench [--cells=N] [--workbook-cells=N] [--padded-mib=N]
//
// Exit status 1 when the memory per cell of the largest size (or of the thinly
// spread cells) is more than 1.5 times that of the smallest table, or when the
// padded sheet costs more than 1.5 times what its numbers cost in a plain
// workbook plus twice its file.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <zip.h>

#include "files/instance_file.h"
#include "host/address.h"
#include "host/host.h"
#include "host/state.h"
#include "instance/instance.h"

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

long peakKilobytes() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// ---- the loads, each in a process of its own ----------------------------------------

int loadInstance(const char* path) {
    bool opened = false;
    const InstanceFormat format = instanceFileFormat(path, opened);
    const auto start = std::chrono::steady_clock::now();
    const int result = readInstanceFile(path, format);
    const double seconds = secondsSince(start);
    std::printf("%d %.3f %ld %d\n", result, seconds, peakKilobytes(), gInstance.ncells);
    return 0;
}

int loadWorkbook(const char* path) {
    const auto start = std::chrono::steady_clock::now();
    std::string error;
    const bool ok = host::openWorkbook(path, error);
    const double seconds = secondsSince(start);
    size_t cells = 0;
    if (ok)
        for (auto& s : host::state().model.activeBook()->sheets) cells += s->cells.size();
    std::printf("%d %.3f %ld %zu\n", ok ? 0 : 1, seconds, peakKilobytes(), cells);
    if (!ok) std::fprintf(stderr, "%s\n", error.c_str());
    return 0;
}

struct Load {
    int result = 1;
    double seconds = 0;
    long peakKb = 0;
    long cells = 0;
};

Load runChild(const std::string& self, const std::string& mode, const std::string& path) {
    const std::string cmd = "'" + self + "' " + mode + " '" + path + "'";
    Load l;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return l;
    if (std::fscanf(p, "%d %lf %ld %ld", &l.result, &l.seconds, &l.peakKb, &l.cells) != 4)
        l.result = 1;
    pclose(p);
    return l;
}

// ---- the inputs ----------------------------------------------------------------------

// A table of r x c inner cells with its row, column and grand totals, as a
// .qtb file: (r + 1) x (c + 1) cells laid out 256 to a row of the sheet,
// r + 1 row sums and c + 1 column sums.
long writeInstance(const std::string& path, int r, int c) {
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return 0;
    const int rows = r + 1, cols = c + 1;
    auto number = [&](int i, int j) { return i * cols + j; };
    std::vector<double> value(size_t(rows) * cols, 0);
    unsigned seed = 12345;
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < c; ++j) {
            seed = seed * 1103515245u + 12345u;
            const double v = 1 + (seed >> 16) % 50;
            value[number(i, j)] = v;
            value[number(i, c)] += v;
            value[number(r, j)] += v;
            value[number(r, c)] += v;
        }
    std::fprintf(f, "-2\n%d\n", rows * cols);
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) {
            const int k = number(i, j);
            const double v = value[k];
            std::fprintf(f, "%d cell0_%d_%d %lf %d %d %d %d %c %lf %lf %lf %lf %lf\n", k, k / 256,
                         k % 256, v, 0, k / 256, k % 256, 1, 's', 0.0, v + 20, 0.0, 0.0, 0.0);
        }
    std::fprintf(f, "%d\n", rows + cols);
    for (int i = 0; i < rows; ++i) {
        std::fprintf(f, "%d : ", cols);
        for (int j = 0; j < c; ++j) std::fprintf(f, " %d (1)", number(i, j));
        std::fprintf(f, " %d (-1)\n", number(i, c));
    }
    for (int j = 0; j < cols; ++j) {
        std::fprintf(f, "%d : ", rows);
        for (int i = 0; i < r; ++i) std::fprintf(f, " %d (1)", number(i, j));
        std::fprintf(f, " %d (-1)\n", number(r, j));
    }
    std::fprintf(f, "10.000000\n");
    std::fclose(f);
    return long(rows) * cols;
}

// `cells` cells of no sum, one and a half rows apart in the last column: few cells
// over much of the grid, as a small file can place them.
long writeSparseInstance(const std::string& path, int cells) {
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return 0;
    std::fprintf(f, "-2\n%d\n", cells);
    for (int k = 0; k < cells; ++k)
        std::fprintf(f,
                     "%d c%d 1.000000 0 %d 255 1 s 0.000000 21.000000 0.000000 0.000000 0.000000\n",
                     k, k, k + k / 2);
    std::fprintf(f, "0\n10.000000\n");
    std::fclose(f);
    return cells;
}

// A workbook of `cells` numbers, 256 to a row.
bool writeWorkbook(const std::string& path, long cells) {
    host::reset();
    host::newWorkbook();
    host::Model& m = host::state().model;
    host::Sheet& s = *m.activeBook()->sheets[0];
    for (long k = 0; k < cells; ++k)
        m.setValue(s, int(k / 256), int(k % 256), host::Value::number(double(k % 997) + 0.5));
    std::string error;
    const bool ok = host::saveWorkbook(m.activeBook()->name, path, error);
    if (!ok) std::fprintf(stderr, "%s\n", error.c_str());
    host::reset();
    return ok;
}

// A workbook of 50,000 numbers (256 to a row) followed by rows of empty
// formatted cells until the sheet's XML is `mib` MiB: small on disk, large
// unpacked, with few cells of content.
long writePaddedWorkbook(const std::string& path, long mib) {
    const long cells = 50000;
    const std::string xmlPath = path + ".sheet.xml";
    FILE* f = std::fopen(xmlPath.c_str(), "w");
    if (!f) return 0;
    std::fprintf(f,
                 "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                 "<sheetData>");
    int row = 0;
    for (long k = 0; k < cells; ++k) {
        if (k % 256 == 0) std::fprintf(f, "%s<row r=\"%d\">", k ? "</row>" : "", ++row);
        std::fprintf(f, "<c r=\"%s%d\"><v>%ld.5</v></c>", host::columnLetters(int(k % 256)).c_str(),
                     row, k % 997);
    }
    std::fprintf(f, "</row>");
    std::string pad;
    for (int c = 0; c < 256; ++c) pad += "<c s=\"0\"/>";
    const long limit = mib << 20;
    while (std::ftell(f) < limit - 4096 && row < 65535)
        std::fprintf(f, "<row r=\"%d\">%s</row>", ++row, pad.c_str());
    std::fprintf(f, "</sheetData></worksheet>");
    std::fclose(f);
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    const std::string parts[][2] = {
        {"_rels/.rels",
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"" + rel +
             "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/workbook.xml",
         "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
         "xmlns:r=\"" + rel + "\"><sheets><sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/>"
                              "</sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"" + rel +
             "/worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>"}};
    int code = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!z) return 0;
    for (const auto& p : parts)
        zip_file_add(z, p[0].c_str(), zip_source_buffer(z, p[1].data(), p[1].size(), 0), 0);
    zip_file_add(z, "xl/worksheets/sheet1.xml", zip_source_file(z, xmlPath.c_str(), 0, -1), 0);
    const bool ok = zip_close(z) == 0;
    std::remove(xmlPath.c_str());
    return ok ? cells : 0;
}

long fileBytes(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    std::fseek(f, 0, SEEK_END);
    const long n = std::ftell(f);
    std::fclose(f);
    return n;
}

// Prints one load; returns the memory it added per cell, in bytes.
double report(const char* what, long cells, const std::string& path, const Load& l, long baseKb) {
    const double added = double(l.peakKb - baseKb) * 1024;
    const double perCell = cells ? added / double(cells) : 0;
    std::printf(
        "%-10s %8ld cells  file %7.1f MB  load %6.2f s  peak %7.1f MB  added %7.1f MB  "
        "%6.0f bytes/cell%s\n",
        what, cells, fileBytes(path) / 1048576.0, l.seconds, l.peakKb / 1024.0, added / 1048576.0,
        perCell, l.result == 0 ? "" : "  (load FAILED)");
    std::fflush(stdout);
    return perCell;
}

bool proportional(const char* what, const std::vector<double>& perCell) {
    if (perCell.size() < 2 || perCell.front() <= 0) return true;
    const double growth = perCell.back() / perCell.front();
    std::printf("%-10s memory per cell, largest / smallest size: %.2f%s\n", what, growth,
                growth > 1.5 ? "  NOT PROPORTIONAL" : "");
    return growth <= 1.5;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--load-instance") == 0) return loadInstance(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--load-workbook") == 0) return loadWorkbook(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--load-nothing") == 0) {
        std::printf("0 0 %ld 0\n", peakKilobytes());
        return 0;
    }
    long cells = 1000000, workbookCells = 200000, paddedMib = 500;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--cells=", 8) == 0)
            cells = std::atol(argv[i] + 8);
        else if (std::strncmp(argv[i], "--workbook-cells=", 17) == 0)
            workbookCells = std::atol(argv[i] + 17);
        else if (std::strncmp(argv[i], "--padded-mib=", 13) == 0)
            paddedMib = std::atol(argv[i] + 13);
        else {
            std::fprintf(stderr,
                         "usage: inputs_bench [--cells=N] [--workbook-cells=N] [--padded-mib=N]\n");
            return 2;
        }
    }
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return 1;
    self[n] = '\0';

    const long baseKb = runChild(self, "--load-nothing", "-").peakKb;
    std::printf("an empty process: peak %.1f MB\n", baseKb / 1024.0);
    bool ok = true;
    std::vector<double> perCell;
    for (double share : {0.25, 0.5, 1.0}) {
        const int side = int(std::lround(std::sqrt(double(cells) * share))) - 1;
        const std::string path = "inputs-" + std::to_string(side) + ".qtb";
        const long made = writeInstance(path, side, side);
        const Load l = runChild(self, "--load-instance", path);
        ok = ok && l.result == 0 && l.cells == made;
        perCell.push_back(report("instance", made, path, l, baseKb));
        std::remove(path.c_str());
    }
    ok = proportional("instance", perCell) && ok;
    {
        const std::string path = "inputs-sparse.qtb";
        const long made = writeSparseInstance(path, 20000);
        const Load l = runChild(self, "--load-instance", path);
        ok = ok && l.result == 0 && l.cells == made;
        perCell.push_back(report("sparse", made, path, l, baseKb));
        std::remove(path.c_str());
        // Spread over the grid, a cell costs no more than in a dense table.
        ok = proportional("sparse", {perCell.front(), perCell.back()}) && ok;
    }
    perCell.clear();
    for (double share : {0.25, 0.5, 1.0}) {
        const long count = long(double(workbookCells) * share);
        const std::string path = "inputs-" + std::to_string(count) + ".xlsx";
        if (!writeWorkbook(path, count)) return 1;
        const Load l = runChild(self, "--load-workbook", path);
        ok = ok && l.result == 0 && l.cells == count;
        perCell.push_back(report("workbook", count, path, l, baseKb));
        std::remove(path.c_str());
    }
    ok = proportional("workbook", perCell) && ok;
    {
        const std::string path = "inputs-padded.xlsx";
        const long made = writePaddedWorkbook(path, paddedMib);
        const Load l = runChild(self, "--load-workbook", path);
        ok = ok && made > 0 && l.result == 0 && l.cells == made;
        const double padded = report("padded", made, path, l, baseKb);
        // What its numbers would cost in a plain workbook, and the file
        // itself (kept for saving the package again), twice.
        const double allowed =
            1.5 * perCell.front() + 2.0 * double(fileBytes(path)) / double(std::max(made, 1L));
        std::printf("padded     %.0f MiB unpacked: %.0f bytes per cell, allowed %.0f%s\n",
                    double(paddedMib), padded, allowed, padded > allowed ? "  TOO MUCH" : "");
        ok = ok && padded <= allowed;
        std::remove(path.c_str());
    }
    return ok ? 0 : 1;
}
