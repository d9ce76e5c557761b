#include "tool/tables.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include <sys/stat.h>

#include <pugixml.hpp>

#include "base/assert.h"
#include "tool/tableFiles.h"

namespace
{

const char kListFile[] = "tableList.xml";
constexpr int kNameMax = 127;

TableList* s_instance = nullptr;
unsigned long s_generation = 0; // +1 whenever the instance is deleted or replaced

// Deletes the table list, and with it every table, when the program ends.
struct InstanceReaper
{
    ~InstanceReaper() { TableList::destroyInstance(); }
} s_reaper;

std::string Quoted(const std::u16string& s)
{
    return "\"" + scl::ToUtf8(s.c_str()) + "\"";
}

} // namespace

TableList* TableList::instance()
{
    if (s_instance == nullptr)
        s_instance = new TableList();
    return s_instance;
}

unsigned long TableList::generation()
{
    return s_generation;
}

void TableList::destroyInstance()
{
    ++s_generation;
    delete s_instance;
    s_instance = nullptr;
}

std::unique_ptr<TableList> TableList::loadNew()
{
    std::unique_ptr<TableList> list(new TableList());
    list->initIndex();
    list->loadTableList();
    return list;
}

void TableList::replaceInstance(std::unique_ptr<TableList> list)
{
    ++s_generation;
    delete s_instance;
    s_instance = list.release();
}

TableList::~TableList()
{
    for (int i = 0; i < m_tables.size(); ++i)
        delete m_tables.m_data[i];
    m_tables.clear();
}

void TableList::initIndex()
{
    if (!m_index.initialised())
        m_index.init();
}

void TableList::error(int line, const std::string& message)
{
    tarn::Diagnostic d;
    d.severity = tarn::Diagnostic::Error;
    d.file = kListFile;
    d.line = line;
    d.message = message;
    m_diagnostics.push_back(std::move(d));
}

void TableList::warning(int line, const std::string& message)
{
    tarn::Diagnostic d;
    d.severity = tarn::Diagnostic::Warning;
    d.file = kListFile;
    d.line = line;
    d.message = message;
    m_diagnostics.push_back(std::move(d));
}

void TableList::loadTableList()
{
    // The set of tables is fixed once loaded; a second load would list every table twice.
    if (!SCL_ASSERT(!m_loaded))
        return;
    m_loaded = true;
    initIndex();

    pugi::xml_document doc;
    const pugi::xml_parse_result result = doc.load_file(kListFile);
    if (!result)
    {
        SCL_ASSERT(false);
        if (result.status == pugi::status_file_not_found)
            error(0, "there is no tableList.xml in the data directory");
        else if (result.status == pugi::status_io_error)
            error(0, "cannot read tableList.xml");
        else
            error(tarn::editor::detail::XmlLine(kListFile, result.offset),
                  std::string("tableList.xml is not well-formed XML: ") + result.description());
        return;
    }
    m_listRead = true;

    struct Seen
    {
        int line;
        std::string name;
    };
    std::map<std::u16string, int> seenNames;           // FileName -> line of its entry
    std::map<std::pair<dev_t, ino_t>, Seen> seenFiles; // data file identity -> first entry
    const pugi::xml_node root = doc.first_child();
    int position = 0;
    for (pugi::xml_node node = root.first_child(); node; node = node.next_sibling())
    {
        ++position;
        const auto lineOf = [&]() { return tarn::editor::detail::XmlLine(kListFile, node.offset_debug()); };
        const std::u16string name = scl::FromUtf8(node.attribute("FileName").value());
        if (name.empty())
        {
            error(lineOf(), "entry " + std::to_string(position) + " has no FileName; it is skipped");
            continue;
        }
        if (name.size() > static_cast<size_t>(kNameMax))
        {
            error(lineOf(), "the FileName of entry " + std::to_string(position) +
                                " is longer than 127 characters; it is skipped");
            continue;
        }
        const int line = lineOf();
        const auto known = seenNames.find(name);
        if (known != seenNames.end())
        {
            // Two tables saved to one file would overwrite each other's edits.
            error(line, Quoted(name) + " is listed again (first at line " + std::to_string(known->second) +
                            "); the second entry is skipped");
            continue;
        }
        seenNames.emplace(name, line);

        struct stat st;
        const std::string file = scl::ToUtf8(name.c_str());
        if (::stat(file.c_str(), &st) == 0)
        {
            const auto same = seenFiles.find({st.st_dev, st.st_ino});
            if (same != seenFiles.end())
            {
                error(line, Quoted(name) + " is the same file as \"" + same->second.name + "\" (line " +
                                std::to_string(same->second.line) + "); the entry is skipped");
                continue;
            }
            seenFiles.emplace(std::make_pair(st.st_dev, st.st_ino), Seen{line, file});
        }

        if (m_tables.size() >= m_tables.capacity())
        {
            error(line, "more than 256 tables are listed; " + Quoted(name) + " is skipped");
            continue;
        }

        std::unique_ptr<tarn::editor::Table> table(new tarn::editor::Table());
        const std::u16string label = scl::FromUtf8(node.attribute("Label").value());
        const int keep = tarn::text::CutLength(label.c_str(), static_cast<int>(label.size()), kNameMax);
        table->m_label = label.substr(0, static_cast<size_t>(keep)).c_str();
        if (keep < static_cast<int>(label.size()))
            warning(line, "the Label of " + Quoted(name) + " is longer than 127 characters; it is shown cut");

        const bool loaded = table->Load(name.c_str());
        const std::vector<tarn::Diagnostic>& found = table->Diagnostics();
        m_diagnostics.insert(m_diagnostics.end(), found.begin(), found.end());
        if (!loaded)
            continue;

        const scl::stringT<char16_t, 128> key(name.c_str());
        m_index.add(key, table.get());
        m_tables.push_back(table.release());
    }
}

tarn::editor::Table* TableList::at(int i) const
{
    return (i >= 0 && i < m_tables.size()) ? m_tables.m_data[i] : nullptr;
}

tarn::editor::Table* TableList::find(const char16_t* fileName)
{
    if (fileName == nullptr || !m_index.initialised())
        return nullptr;
    if (scl::str_length(fileName) > kNameMax)
        return nullptr; // cannot be a key
    const scl::stringT<char16_t, 128> key(fileName);
    tarn::editor::Table** table = m_index.lookup(key);
    return table != nullptr ? *table : nullptr;
}

std::vector<tarn::SaveFailure> TableList::saveAll()
{
    std::vector<tarn::SaveFailure> failures;
    for (int i = 0; i < m_tables.size(); ++i)
    {
        tarn::editor::Table* table = m_tables.m_data[i];
        if (table == nullptr)
            continue;
        if (!table->Save())
            failures.push_back({scl::ToUtf8(table->m_fileName.c_str()), table->LastError()});
    }
    return failures;
}
