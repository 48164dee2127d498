#pragma once

// Reads a workbook back for the tests, independently of the program's own
// reading: libzip for the parts, expat for the XML. Each sheet by its name,
// as rows of cells (value as text in UTF-8, whether it is a text cell, and
// its style index), and each sheet's XML as it stands.

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include <expat.h>
#include <zip.h>

struct XlsxCell {
    std::string value;
    bool text = false;  // an inline or shared string, not a number
    int style = 0;
    bool operator==(const std::string& v) const { return value == v; }
};

struct XlsxSheet {
    std::string name;
    std::string xml;
    std::vector<std::vector<XlsxCell>> rows;  // row r (from 0), column c (from 0)
    // The text of a cell, "" where there is none.
    std::string at(std::size_t r, std::size_t c) const {
        return r < rows.size() && c < rows[r].size() ? rows[r][c].value : std::string();
    }
};

struct XlsxBook {
    std::vector<XlsxSheet> sheets;  // in the workbook's order
    std::vector<std::string> parts;
    const XlsxSheet& sheet(const std::string& name) const {
        for (const XlsxSheet& s : sheets)
            if (s.name == name) return s;
        throw std::runtime_error("no sheet " + name);
    }
};

namespace xlsx_reader_detail {

inline std::string part(zip_t* z, const std::string& name) {
    zip_stat_t st;
    if (zip_stat(z, name.c_str(), 0, &st) != 0) throw std::runtime_error("no part " + name);
    zip_file_t* f = zip_fopen(z, name.c_str(), 0);
    std::string out(st.size, '\0');
    zip_fread(f, out.data(), st.size);
    zip_fclose(f);
    return out;
}

// Calls on_start(name, attributes) and on_end(name, text gathered since
// the element opened) for every element.
struct Walker {
    std::function<void(const std::string&, const std::map<std::string, std::string>&)> on_start;
    std::function<void(const std::string&, const std::string&)> on_end;
    std::string text;

    void run(const std::string& xml) {
        XML_Parser p = XML_ParserCreate("UTF-8");
        XML_SetUserData(p, this);
        XML_SetElementHandler(
            p,
            [](void* u, const XML_Char* name, const XML_Char** attrs) {
                auto* w = static_cast<Walker*>(u);
                std::map<std::string, std::string> a;
                for (int i = 0; attrs[i]; i += 2) a[attrs[i]] = attrs[i + 1];
                w->text.clear();
                if (w->on_start) w->on_start(name, a);
            },
            [](void* u, const XML_Char* name) {
                auto* w = static_cast<Walker*>(u);
                if (w->on_end) w->on_end(name, w->text);
            });
        XML_SetCharacterDataHandler(p, [](void* u, const XML_Char* s, int n) {
            static_cast<Walker*>(u)->text.append(s, static_cast<std::size_t>(n));
        });
        const bool ok = XML_Parse(p, xml.data(), static_cast<int>(xml.size()), 1) == XML_STATUS_OK;
        XML_ParserFree(p);
        if (!ok) throw std::runtime_error("bad XML");
    }
};

inline std::size_t column_of(const std::string& ref) {
    std::size_t c = 0;
    for (char ch : ref) {
        if (ch < 'A' || ch > 'Z') break;
        c = c * 26 + static_cast<std::size_t>(ch - 'A' + 1);
    }
    return c - 1;
}

}  // namespace xlsx_reader_detail

inline XlsxBook read_xlsx(const std::string& path) {
    using namespace xlsx_reader_detail;
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (!z) throw std::runtime_error("not a zip: " + path);
    XlsxBook book;
    for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) book.parts.push_back(zip_get_name(z, i, 0));

    std::vector<std::string> shared;
    if (zip_name_locate(z, "xl/sharedStrings.xml", 0) >= 0) {
        Walker w;
        w.on_end = [&](const std::string& n, const std::string& t) {
            if (n == "t") shared.push_back(t);
        };
        w.run(part(z, "xl/sharedStrings.xml"));
    }
    std::map<std::string, std::string> targets;
    {
        Walker w;
        w.on_start = [&](const std::string& n, const std::map<std::string, std::string>& a) {
            if (n == "Relationship") targets[a.at("Id")] = a.at("Target");
        };
        w.run(part(z, "xl/_rels/workbook.xml.rels"));
    }
    {
        Walker w;
        w.on_start = [&](const std::string& n, const std::map<std::string, std::string>& a) {
            if (n == "sheet") book.sheets.push_back({a.at("name"), "xl/" + targets.at(a.at("r:id")), {}});
        };
        w.run(part(z, "xl/workbook.xml"));
    }
    for (XlsxSheet& s : book.sheets) {
        s.xml = part(z, s.xml);
        XlsxCell cell;
        std::size_t r = 0, c = 0;
        std::string type;
        Walker w;
        w.on_start = [&](const std::string& n, const std::map<std::string, std::string>& a) {
            if (n == "row") r = static_cast<std::size_t>(std::stoul(a.at("r"))) - 1;
            if (n == "c") {
                c = column_of(a.at("r"));
                type = a.count("t") ? a.at("t") : "";
                cell = {};
                cell.style = a.count("s") ? std::stoi(a.at("s")) : 0;
            }
        };
        w.on_end = [&](const std::string& n, const std::string& t) {
            if (n == "v" || n == "t") cell.value = t;
            if (n == "c") {
                cell.text = type == "inlineStr" || type == "s" || type == "str";
                if (type == "s") cell.value = shared.at(std::stoul(cell.value));
                if (s.rows.size() <= r) s.rows.resize(r + 1);
                if (s.rows[r].size() <= c) s.rows[r].resize(c + 1);
                s.rows[r][c] = cell;
            }
        };
        w.run(s.xml);
    }
    zip_close(z);
    return book;
}
