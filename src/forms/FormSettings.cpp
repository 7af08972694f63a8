#include "forms/FormSettings.h"

#include <QCryptographicHash>
#include <QDir>
#include <QRandomGenerator>
#include <QSettings>
#include <QStandardPaths>
#include <QVariant>

namespace korvel::forms {

namespace {

constexpr const char* kOrganisation = "Nimbrel";
constexpr const char* kApplication = "Korvel";

// Protected record: magic, 8 random salt bytes, the UTF-8 text XORed with a keystream, and an
// 8-byte check. The keystream is SHA-256 over (program key, salt, block counter), so the same
// password looks different at every save and nothing of it is readable in the file. This keeps
// the server passwords out of sight of anyone browsing the file; it is not meant to stand up to
// someone who has this program's source.
constexpr char kProtectedMagic[] = {'K', 'P', '1'};
constexpr int kMagicSize = 3;
constexpr int kSaltSize = 8;
constexpr int kCheckSize = 8;
constexpr int kMaxProtectedText = 4096; // a stored record is untrusted: bound what we decode
const QByteArray kProgramKey = QByteArrayLiteral("Korvel/Nimbrel protected setting v1");

QByteArray keystream(const QByteArray& salt, int length) {
    QByteArray out;
    out.reserve(length + 32);
    for (quint32 block = 0; out.size() < length; ++block) {
        QCryptographicHash h(QCryptographicHash::Sha256);
        h.addData(kProgramKey);
        h.addData(salt);
        const char counter[4] = {char(block >> 24), char(block >> 16), char(block >> 8), char(block)};
        h.addData(QByteArrayView(counter, 4));
        out += h.result();
    }
    out.truncate(length);
    return out;
}

QByteArray check(const QByteArray& salt, const QByteArray& plain) {
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(QByteArrayLiteral("check"));
    h.addData(kProgramKey);
    h.addData(salt);
    h.addData(plain);
    return h.result().left(kCheckSize);
}

std::optional<bool> toBool(const QVariant& v) {
    if (!v.isValid())
        return std::nullopt;
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    if (v.typeId() != QMetaType::QString)
        return std::nullopt;
    const QString s = v.toString().trimmed().toLower();
    if (s == u"true" || s == u"1")
        return true;
    if (s == u"false" || s == u"0")
        return false;
    return std::nullopt;
}

std::optional<int32_t> toInt(const QVariant& v) {
    if (!v.isValid())
        return std::nullopt;
    if (v.typeId() == QMetaType::Int)
        return v.toInt();
    if (v.typeId() != QMetaType::QString)
        return std::nullopt;
    bool ok = false;
    const int n = v.toString().trimmed().toInt(&ok);
    return ok ? std::optional<int32_t>(n) : std::nullopt;
}

std::optional<QString> toText(const QVariant& v) {
    // An INI line with unquoted commas reads back as a list; that is not text we wrote.
    if (!v.isValid() || v.typeId() != QMetaType::QString)
        return std::nullopt;
    return v.toString();
}

} // namespace

FormSettings::FormSettings(const QString& windowKey) : FormSettings(windowKey, defaultFilePath()) {}

FormSettings::FormSettings(const QString& windowKey, const QString& filePath)
    : m_windowKey(windowKey), m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat)) {
    m_settings->beginGroup(m_windowKey);
}

FormSettings::~FormSettings() { m_settings->sync(); }

QString FormSettings::defaultFilePath() {
    // The native store of QSettings on Linux, computed afresh so that XDG_CONFIG_HOME set later
    // in the process (tests, several instances) is honoured; QSettings caches its own path.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(base).filePath(QStringLiteral("%1/%2.conf").arg(QLatin1String(kOrganisation),
                                                                QLatin1String(kApplication)));
}

QString FormSettings::filePath() const { return m_settings->fileName(); }

bool FormSettings::exists() const { return !m_settings->allKeys().isEmpty(); }

QString FormSettings::storedKey(const QString& nameOrPath) {
    const qsizetype dot = nameOrPath.lastIndexOf(u'.');
    if (dot < 0)
        return nameOrPath;
    return nameOrPath.left(dot) + u'/' + nameOrPath.mid(dot + 1);
}

void FormSettings::writeRaw(const QString& path, const QVariant& value) {
    m_settings->setValue(storedKey(path), value);
}

QVariant FormSettings::readRaw(const QString& nameOrPath) const {
    return m_settings->value(storedKey(nameOrPath));
}

void FormSettings::remove(const QString& nameOrPath) { m_settings->remove(storedKey(nameOrPath)); }

void FormSettings::removeBound(const QString& path) {
    const QString key = storedKey(path);
    m_settings->remove(key);
    const qsizetype slash = key.lastIndexOf(u'/');
    if (slash < 0)
        return;
    const QString control = key.left(slash);
    m_settings->beginGroup(control);
    const bool empty = m_settings->allKeys().isEmpty();
    m_settings->endGroup();
    if (empty)
        m_settings->remove(control);
}

void FormSettings::sync() { m_settings->sync(); }

void FormSettings::writeInt(const QString& name, int32_t value) { writeRaw(name, int(value)); }
void FormSettings::writeBool(const QString& name, bool value) { writeRaw(name, value); }
void FormSettings::writeString(const QString& name, const QString& value) { writeRaw(name, value); }
std::optional<int32_t> FormSettings::readInt(const QString& name) const { return toInt(readRaw(name)); }
std::optional<bool> FormSettings::readBool(const QString& name) const { return toBool(readRaw(name)); }
std::optional<QString> FormSettings::readString(const QString& name) const { return toText(readRaw(name)); }

void FormSettings::writeBound(const QString& path, const QString& value, const QString& initial) {
    value == initial ? removeBound(path) : writeRaw(path, value);
}
void FormSettings::writeBound(const QString& path, bool value, bool initial) {
    value == initial ? removeBound(path) : writeRaw(path, value);
}
void FormSettings::writeBound(const QString& path, int32_t value, int32_t initial) {
    value == initial ? removeBound(path) : writeRaw(path, int(value));
}
std::optional<QString> FormSettings::readBoundString(const QString& path) const { return toText(readRaw(path)); }
std::optional<bool> FormSettings::readBoundBool(const QString& path) const { return toBool(readRaw(path)); }
std::optional<int32_t> FormSettings::readBoundInt(const QString& path) const { return toInt(readRaw(path)); }

void FormSettings::writeProtected(const QString& path, const QString& value, const QString& initial) {
    value == initial ? removeBound(path) : writeRaw(path, protect(value));
}

std::optional<QString> FormSettings::readProtected(const QString& path) const {
    const QVariant v = readRaw(path);
    if (!v.isValid() || v.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return unprotect(v.toByteArray());
}

QByteArray FormSettings::protect(const QString& text) {
    const QByteArray plain = text.toUtf8().left(kMaxProtectedText);
    QByteArray salt(kSaltSize, Qt::Uninitialized);
    for (char& c : salt)
        c = char(QRandomGenerator::system()->bounded(256));
    const QByteArray key = keystream(salt, int(plain.size()));
    QByteArray body(plain.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < plain.size(); ++i)
        body[i] = char(plain[i] ^ key[i]);
    return QByteArray(kProtectedMagic, kMagicSize) + salt + body + check(salt, plain);
}

std::optional<QString> FormSettings::unprotect(const QByteArray& record) {
    constexpr int overhead = kMagicSize + kSaltSize + kCheckSize;
    if (record.size() < overhead || record.size() > overhead + kMaxProtectedText
        || !record.startsWith(QByteArrayView(kProtectedMagic, kMagicSize)))
        return std::nullopt;
    const QByteArray salt = record.mid(kMagicSize, kSaltSize);
    const QByteArray body = record.mid(kMagicSize + kSaltSize, record.size() - overhead);
    const QByteArray key = keystream(salt, int(body.size()));
    QByteArray plain(body.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < body.size(); ++i)
        plain[i] = char(body[i] ^ key[i]);
    if (check(salt, plain) != record.right(kCheckSize))
        return std::nullopt;
    return QString::fromUtf8(plain);
}

} // namespace korvel::forms
