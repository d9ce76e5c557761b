#include "editor/RecoveryJournal.h"

#include "editor/TesselDoc.h"
#include "tool/tables.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUndoStack>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstring>

namespace
{

const char kMagic[] = "TSLJRNL1";
constexpr qsizetype kMagicSize = 8;
constexpr int kFlushDelayMs = 250;
const char16_t kVersion[] = u"1";

std::u16string U16(const QString& text)
{
    return text.toStdU16String();
}

QString Q(const std::u16string& text)
{
    return QString::fromStdU16String(text);
}

std::u16string Number(qint64 value)
{
    return U16(QString::number(value));
}

qint64 NumberOf(const std::u16string& text, bool* ok)
{
    return Q(text).toLongLong(ok);
}

quint32 GetU32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<quint32>(u[0]) | (static_cast<quint32>(u[1]) << 8) |
           (static_cast<quint32>(u[2]) << 16) | (static_cast<quint32>(u[3]) << 24);
}

std::array<quint32, 256> MakeCrcTable()
{
    std::array<quint32, 256> table{};
    for (quint32 i = 0; i < 256; ++i)
    {
        quint32 c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

// The strings of one payload; false when the payload is not well formed.
bool DecodeStrings(const char* p, qsizetype size, std::vector<std::u16string>& strings)
{
    if (size < 4)
        return false;
    const quint32 count = GetU32(p);
    qsizetype at = 4;
    if (count > static_cast<quint32>(size / 4))
        return false;
    strings.clear();
    strings.reserve(count);
    for (quint32 i = 0; i < count; ++i)
    {
        if (size - at < 4)
            return false;
        const quint32 units = GetU32(p + at);
        at += 4;
        if (static_cast<qint64>(units) * 2 > size - at)
            return false;
        std::u16string text(units, u'\0');
        for (quint32 u = 0; u < units; ++u)
            text[u] = static_cast<char16_t>(static_cast<unsigned char>(p[at + 2 * u]) |
                                            (static_cast<unsigned char>(p[at + 2 * u + 1]) << 8));
        at += static_cast<qsizetype>(units) * 2;
        strings.push_back(std::move(text));
    }
    return at == size;
}

// Turns the strings of an "F", "U" or "G" entry into an entry; false when they do not form one.
bool EntryOf(const std::vector<std::u16string>& s, JournalEntry& entry)
{
    if (s.size() < 2)
        return false;
    bool ok = false;
    entry.timeMs = NumberOf(s[1], &ok);
    if (!ok)
        return false;
    if (s[0] == u"U")
    {
        entry.kind = JournalEntry::Back;
        return s.size() == 2;
    }
    if (s[0] == u"G")
    {
        entry.kind = JournalEntry::Gap;
        entry.reason = s.size() > 2 ? Q(s[2]) : QString();
        return true;
    }
    if (s[0] != u"F" || s.size() < 3)
        return false;
    entry.kind = JournalEntry::Forward;
    const qint64 tables = NumberOf(s[2], &ok);
    if (!ok || tables < 0 || static_cast<std::size_t>(tables) + 4 > s.size())
        return false;
    entry.tables.assign(s.begin() + 3, s.begin() + 3 + tables);
    entry.record.kind = s[static_cast<std::size_t>(3 + tables)];
    entry.record.fields.assign(s.begin() + 4 + tables, s.end());
    return !entry.record.kind.empty();
}

// The data file names of the tables listed now.
std::set<std::u16string> AllTables()
{
    std::set<std::u16string> tables;
    TableList* list = TableList::instance();
    for (int i = 0; i < list->count(); ++i)
        if (const tarn::editor::Table* table = list->at(i))
            tables.insert(table->m_fileName.c_str());
    return tables;
}

} // namespace

// ---- Files ---------------------------------------------------------------------------------------

QString MetaFileOf(const QString& dataFile)
{
    return dataFile + QStringLiteral(".meta");
}

FileIdentity IdentifyFile(const QString& directory, const QString& name)
{
    FileIdentity identity;
    identity.name = name;
    QFile file(QDir(directory).filePath(name));
    const QFileInfo info(file);
    if (!info.exists() || !file.open(QIODevice::ReadOnly))
        return identity;
    identity.size = info.size();
    identity.mtimeMs = info.lastModified().toMSecsSinceEpoch();
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(&file);
    identity.hash = hash.result().toHex();
    return identity;
}

QStringList DataFileNames()
{
    QStringList names{QStringLiteral("tableList.xml")};
    TableList* list = TableList::instance();
    for (int i = 0; i < list->count(); ++i)
    {
        if (const tarn::editor::Table* table = list->at(i))
        {
            const QString name = QString::fromUtf16(table->m_fileName.c_str());
            names << name << MetaFileOf(name);
        }
    }
    return names;
}

quint32 JournalCrc32(const char* data, qsizetype size)
{
    static const std::array<quint32, 256> table = MakeCrcTable();
    quint32 c = 0xFFFFFFFFu;
    for (qsizetype i = 0; i < size; ++i)
        c = table[(c ^ static_cast<unsigned char>(data[i])) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

namespace
{
// One entry's frame from its strings, written in one allocation.
QByteArray EncodeStrings(const std::vector<const std::u16string*>& strings)
{
    qsizetype payloadSize = 4;
    for (const std::u16string* s : strings)
        payloadSize += 4 + static_cast<qsizetype>(s->size()) * 2;
    QByteArray frame(payloadSize + 8, Qt::Uninitialized);
    char* out = frame.data() + 8;
    const auto put = [&out](quint32 value)
    {
        out[0] = static_cast<char>(value & 0xFF);
        out[1] = static_cast<char>((value >> 8) & 0xFF);
        out[2] = static_cast<char>((value >> 16) & 0xFF);
        out[3] = static_cast<char>((value >> 24) & 0xFF);
        out += 4;
    };
    put(static_cast<quint32>(strings.size()));
    for (const std::u16string* s : strings)
    {
        put(static_cast<quint32>(s->size()));
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        std::memcpy(out, s->data(), s->size() * 2);
        out += s->size() * 2;
#else
        for (char16_t unit : *s)
        {
            *out++ = static_cast<char>(unit & 0xFF);
            *out++ = static_cast<char>(unit >> 8);
        }
#endif
    }
    char* head = frame.data();
    const quint32 length = static_cast<quint32>(payloadSize);
    const quint32 crc = JournalCrc32(head + 8, payloadSize);
    for (int i = 0; i < 4; ++i)
    {
        head[i] = static_cast<char>((length >> (8 * i)) & 0xFF);
        head[4 + i] = static_cast<char>((crc >> (8 * i)) & 0xFF);
    }
    return frame;
}

// The frame of an "F" entry: time, tables, record.
QByteArray EncodeForward(const std::u16string& time, const std::set<std::u16string>& tables,
                         const CommandRecord& record)
{
    static const std::u16string kForward = u"F";
    const std::u16string count = Number(static_cast<qint64>(tables.size()));
    std::vector<const std::u16string*> strings{&kForward, &time, &count};
    strings.reserve(4 + tables.size() + record.fields.size());
    for (const std::u16string& table : tables)
        strings.push_back(&table);
    strings.push_back(&record.kind);
    for (const std::u16string& field : record.fields)
        strings.push_back(&field);
    return EncodeStrings(strings);
}
} // namespace

QByteArray EncodeJournalEntry(const std::vector<std::u16string>& strings)
{
    std::vector<const std::u16string*> pointers;
    pointers.reserve(strings.size());
    for (const std::u16string& s : strings)
        pointers.push_back(&s);
    return EncodeStrings(pointers);
}

JournalContents ReadJournal(const QString& path)
{
    JournalContents contents;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return contents;
    const QByteArray bytes = file.readAll();
    if (bytes.size() < kMagicSize || std::memcmp(bytes.constData(), kMagic, kMagicSize) != 0)
        return contents;
    qsizetype at = kMagicSize;
    bool first = true;
    std::vector<std::u16string> strings;
    while (at < bytes.size())
    {
        const char* p = bytes.constData() + at;
        const qsizetype left = bytes.size() - at;
        bool good = left >= 8;
        quint32 length = 0;
        if (good)
        {
            length = GetU32(p);
            good = static_cast<qint64>(length) <= left - 8 && GetU32(p + 4) == JournalCrc32(p + 8, length) &&
                   DecodeStrings(p + 8, length, strings);
        }
        if (good && first)
        {
            // "H", version, directory, start, then four strings per file.
            good = strings.size() >= 4 && strings[0] == u"H" && strings[1] == kVersion &&
                   (strings.size() - 4) % 4 == 0;
            bool ok = good;
            if (good)
            {
                contents.directory = Q(strings[2]);
                contents.started = QDateTime::fromMSecsSinceEpoch(NumberOf(strings[3], &ok));
                for (std::size_t i = 4; ok && i + 3 < strings.size(); i += 4)
                {
                    FileIdentity identity;
                    identity.name = Q(strings[i]);
                    bool sizeOk = false;
                    bool timeOk = false;
                    identity.size = NumberOf(strings[i + 1], &sizeOk);
                    identity.mtimeMs = NumberOf(strings[i + 2], &timeOk);
                    identity.hash = Q(strings[i + 3]).toLatin1();
                    ok = sizeOk && timeOk;
                    contents.files.push_back(identity);
                }
            }
            if (!good || !ok)
                return JournalContents(); // without a header nothing can be trusted
            contents.readable = true;
            first = false;
        }
        else if (good)
        {
            JournalEntry entry;
            good = EntryOf(strings, entry);
            if (good)
                contents.entries.push_back(std::move(entry));
        }
        if (!good)
        {
            if (first)
                return JournalContents();
            contents.damaged = true;
            contents.damagedAt = at;
            break;
        }
        at += 8 + length;
    }
    return contents;
}

// ---- The journal ---------------------------------------------------------------------------------

QString RecoveryJournal::FolderFor(const QString& dataDirectory)
{
    QString canonical = QFileInfo(dataDirectory).canonicalFilePath();
    if (canonical.isEmpty())
        canonical = QDir::cleanPath(QFileInfo(dataDirectory).absoluteFilePath());
    const QByteArray key = QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1).toHex();
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
        .filePath(QStringLiteral("journals/") + QString::fromLatin1(key.left(20)));
}

QStringList RecoveryJournal::JournalsIn(const QString& folder)
{
    QStringList paths;
    const QDir dir(folder);
    // The names begin with the start time in fixed width, so their order is the age order.
    for (const QString& name : dir.entryList({QStringLiteral("journal-*.tsj")}, QDir::Files, QDir::Name))
        paths << dir.filePath(name);
    return paths;
}

RecoveryJournal::RecoveryJournal(CTesselDoc* document, const QString& dataDirectory, QObject* parent)
    : QObject(parent), m_document(document), m_directory(dataDirectory)
{
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(kFlushDelayMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &RecoveryJournal::Flush);
    connect(m_document->UndoStack(), &QUndoStack::indexChanged, this, &RecoveryJournal::OnIndexChanged);
    connect(m_document, &CTesselDoc::cellChanged, this,
            [this](tarn::editor::Table* table, tarn::Row*, int)
            {
                if (table != nullptr)
                    OnTouched(table->m_fileName.c_str());
            });
    const auto rowsChanged = [this](const DocRows& rows)
    {
        if (rows.table != nullptr)
            OnTouched(rows.table->m_fileName.c_str());
    };
    connect(m_document, &CTesselDoc::rowsInserted, this, rowsChanged);
    connect(m_document, &CTesselDoc::rowsRemoved, this, rowsChanged);
    m_base = m_document->UndoStack()->index();
    m_index = m_base;
    for (const QString& name : DataFileNames())
        m_files.push_back(IdentifyFile(m_directory, name));
    m_path = QDir(FolderFor(m_directory))
                 .filePath(QStringLiteral("journal-%1-%2.tsj")
                               .arg(QDateTime::currentMSecsSinceEpoch(), 15, 10, QLatin1Char('0'))
                               .arg(QCoreApplication::applicationPid()));
}

RecoveryJournal::~RecoveryJournal()
{
    Flush();
    CloseFile();
}

void RecoveryJournal::OnTouched(const std::u16string& table)
{
    m_touched.insert(table);
}

void RecoveryJournal::OnIndexChanged(int index)
{
    QUndoStack* stack = m_document->UndoStack();
    const std::u16string now = Number(QDateTime::currentMSecsSinceEpoch());
    if (stack->count() == 0 && index == 0)
    {
        // Cleared: the steps in effect stay in effect but can no longer be undone.
        const int inEffect = std::max(0, m_index - m_base);
        m_slots.resize(static_cast<std::size_t>(inEffect));
        m_base = -inEffect;
        m_index = 0;
        m_touched.clear();
        return;
    }
    bool whole = false;
    while (m_index < index && !m_gap)
    {
        const int slot = m_index - m_base;
        CommandRecord record = slot < 0 ? CommandRecord() : RecordOf(stack->command(m_index));
        if (record.kind.empty())
        {
            whole = true; // a redo of a step older than the journal, or a step without a record
            break;
        }
        AppendFrame(EncodeForward(now, m_touched, record));
        m_slots.resize(static_cast<std::size_t>(slot));
        m_slots.push_back({std::move(record), m_touched});
        ++m_index;
    }
    while (!whole && m_index > index && !m_gap)
    {
        if (m_index - m_base <= 0)
        {
            whole = true; // the step undone is older than the journal: its record is not in it
            break;
        }
        Append({u"U", now});
        --m_index;
    }
    if (whole && !m_gap)
    {
        // The tables the step touched, as they are now; the steps before can no longer be undone
        // by the replay, so the journal starts again here. Not told which tables (the document's
        // signals were held back): every table.
        Snapshot(m_touched.empty() ? AllTables() : m_touched, now, nullptr);
        m_base = index;
        m_slots.clear();
    }
    m_index = index;
    m_touched.clear();
}

bool RecoveryJournal::TableTouched(const std::u16string& table) const
{
    if (m_gap || m_snapshotted.count(table) != 0)
        return true;
    const int inEffect = m_index - m_base;
    for (int i = 0; i < inEffect && i < static_cast<int>(m_slots.size()); ++i)
        if (m_slots[static_cast<std::size_t>(i)].tables.count(table) != 0)
            return true;
    return false;
}

void RecoveryJournal::MarkGap(const QString& reason)
{
    if (m_gap)
        return;
    Append({u"G", Number(QDateTime::currentMSecsSinceEpoch()), U16(reason)});
    m_gap = true;
}

void RecoveryJournal::Append(const std::vector<std::u16string>& strings)
{
    AppendFrame(EncodeJournalEntry(strings));
}

void RecoveryJournal::AppendFrame(const QByteArray& frame)
{
    if (m_fd < 0 && m_pending.isEmpty())
    {
        // The first step: the header goes first.
        m_startedMs = QDateTime::currentMSecsSinceEpoch();
        m_pending.append(kMagic, kMagicSize);
        WriteHeaderInto(m_pending);
    }
    m_pending.append(frame);
    Schedule();
}

void RecoveryJournal::NoteTouched(const std::vector<std::u16string>& tables)
{
    m_touched.insert(tables.begin(), tables.end());
}

void RecoveryJournal::WriteHeaderInto(QByteArray& bytes) const
{
    std::vector<std::u16string> header{u"H", kVersion, U16(m_directory), Number(m_startedMs)};
    for (const FileIdentity& file : m_files)
    {
        header.push_back(U16(file.name));
        header.push_back(Number(file.size));
        header.push_back(Number(file.mtimeMs));
        header.push_back(U16(QString::fromLatin1(file.hash)));
    }
    bytes.append(EncodeJournalEntry(header));
}

void RecoveryJournal::Schedule()
{
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

bool RecoveryJournal::EnsureOpen()
{
    if (m_fd >= 0)
        return true;
    const QString folder = FolderFor(m_directory);
    if (!QDir().mkpath(folder))
        return false;
    const QByteArray path = QFile::encodeName(m_path);
    m_fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return false;
    // The new name itself must survive a power cut.
    const QByteArray folderPath = QFile::encodeName(folder);
    const int dirFd = ::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0)
    {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

void RecoveryJournal::Flush()
{
    m_flushTimer.stop();
    if (m_pending.isEmpty() || !EnsureOpen())
        return;
    const char* p = m_pending.constData();
    qsizetype left = m_pending.size();
    while (left > 0)
    {
        const ssize_t written = ::write(m_fd, p, static_cast<size_t>(left));
        if (written < 0)
        {
            if (errno == EINTR)
                continue;
            // Kept for the next try; the edit itself goes on.
            m_pending = QByteArray(p, left);
            Schedule();
            return;
        }
        p += written;
        left -= written;
    }
    m_pending.clear();
    ::fdatasync(m_fd);
}

void RecoveryJournal::CloseFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void RecoveryJournal::End()
{
    m_flushTimer.stop();
    m_pending.clear();
    CloseFile();
    QFile::remove(m_path);
    m_files.clear();
    for (const QString& name : DataFileNames())
        m_files.push_back(IdentifyFile(m_directory, name));
    m_base = m_document->UndoStack()->index();
    m_index = m_base;
    m_slots.clear();
    m_touched.clear();
    m_gap = false;
    m_snapshotted.clear();
    m_dropped.clear();
    m_mixedDrop = false;
    m_startedMs = 0;
}

void RecoveryJournal::Snapshot(const std::set<std::u16string>& tables, const std::u16string& now,
                               QByteArray* into)
{
    for (const std::u16string& name : tables)
    {
        const tarn::editor::Table* table = TableList::instance()->find(name.c_str());
        if (table == nullptr)
            continue;
        const QByteArray frame = EncodeForward(now, {name}, TableSnapshotCommand::RecordOfTable(*table));
        if (into != nullptr)
            into->append(frame);
        else
            AppendFrame(frame);
        m_snapshotted.insert(name);
    }
}

void RecoveryJournal::Renew(const QStringList& renewed)
{
    QStringList known;
    for (FileIdentity& file : m_files)
    {
        known << file.name;
        if (renewed.contains(file.name))
            file = IdentifyFile(m_directory, file.name);
    }
    for (const QString& name : DataFileNames())
        if (!known.contains(name))
            m_files.push_back(IdentifyFile(m_directory, name));
}

void RecoveryJournal::WriteWhole(const QByteArray& frames)
{
    // The journal as it was stays until the new one is complete on disk: a crash in between
    // leaves one or the other, never none.
    m_flushTimer.stop();
    m_pending.clear();
    CloseFile();
    if (frames.isEmpty())
    {
        QFile::remove(m_path);
        return;
    }
    if (m_startedMs == 0)
        m_startedMs = QDateTime::currentMSecsSinceEpoch();
    QByteArray bytes(kMagic, kMagicSize);
    WriteHeaderInto(bytes);
    bytes.append(frames);
    const QString folder = FolderFor(m_directory);
    const QByteArray temporary = QFile::encodeName(m_path + QStringLiteral(".new"));
    bool written = QDir().mkpath(folder);
    const int fd =
        written ? ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600) : -1;
    written = fd >= 0;
    for (qsizetype at = 0; written && at < bytes.size();)
    {
        const ssize_t n = ::write(fd, bytes.constData() + at, static_cast<size_t>(bytes.size() - at));
        if (n < 0 && errno == EINTR)
            continue;
        written = n > 0;
        at += n > 0 ? n : 0;
    }
    written = written && ::fdatasync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    written = written && ::rename(temporary.constData(), QFile::encodeName(m_path).constData()) == 0;
    if (!written)
    {
        ::unlink(temporary.constData());
        // Written the ordinary way, within a second.
        QFile::remove(m_path);
        m_pending = bytes;
        Schedule();
        return;
    }
    const int dirFd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0)
    {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    m_fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
}

void RecoveryJournal::Checkpoint(const QStringList& renewed, const std::set<std::u16string>& inFiles)
{
    // What the steps after a gap did is not known: then every table is written.
    std::set<std::u16string> tables = m_gap ? AllTables() : m_snapshotted;
    const int inEffect = std::max(0, std::min(m_index - m_base, static_cast<int>(m_slots.size())));
    for (int i = 0; i < inEffect; ++i)
        tables.insert(m_slots[static_cast<std::size_t>(i)].tables.begin(),
                      m_slots[static_cast<std::size_t>(i)].tables.end());
    for (const std::u16string& table : inFiles)
        tables.erase(table);
    Renew(renewed);
    m_snapshotted.clear();
    m_slots.clear();
    m_gap = false;
    m_dropped.clear();
    m_mixedDrop = false;
    m_base = m_document->UndoStack()->index();
    m_index = m_base;
    QByteArray frames;
    Snapshot(tables, Number(QDateTime::currentMSecsSinceEpoch()), &frames);
    WriteWhole(frames);
}

void RecoveryJournal::DropTable(const std::u16string& table)
{
    m_dropped.insert(table);
    m_snapshotted.erase(table);
    if (m_gap || m_mixedDrop)
        return; // Rebase writes the tables whole
    const int inEffect = std::max(0, std::min(m_index - m_base, static_cast<int>(m_slots.size())));
    for (int i = 0; i < inEffect; ++i)
    {
        const Slot& slot = m_slots[static_cast<std::size_t>(i)];
        if (slot.tables.count(table) != 0 && slot.tables.size() > 1)
        {
            // The step cannot be replayed without the table read again: the other tables it
            // touched are written whole instead.
            m_mixedDrop = true;
            return;
        }
    }
    std::vector<Slot> kept;
    for (int i = 0; i < inEffect; ++i)
    {
        Slot& slot = m_slots[static_cast<std::size_t>(i)];
        if (slot.tables.count(table) == 0)
            kept.push_back(std::move(slot));
    }
    m_slots = std::move(kept);
    m_index = m_base + static_cast<int>(m_slots.size());
}

void RecoveryJournal::Rebase(const QStringList& renewed)
{
    if (m_gap || m_mixedDrop || !m_snapshotted.empty())
    {
        const std::set<std::u16string> dropped = m_dropped;
        Checkpoint(renewed, dropped);
        return;
    }
    m_dropped.clear();
    // The steps in effect, written anew after the new header; the undone ones are dropped.
    const int inEffect = std::max(0, std::min(m_index - m_base, static_cast<int>(m_slots.size())));
    std::vector<Slot> steps(m_slots.begin(), m_slots.begin() + inEffect);
    Renew(renewed);
    m_slots.clear();
    m_base = m_document->UndoStack()->index() - inEffect;
    m_index = m_document->UndoStack()->index();
    const std::u16string now = Number(QDateTime::currentMSecsSinceEpoch());
    QByteArray frames;
    for (Slot& slot : steps)
    {
        frames.append(EncodeForward(now, slot.tables, slot.record));
        m_slots.push_back(std::move(slot));
    }
    WriteWhole(frames);
}
