#pragma once
// One window's key in Korvel's settings store. The store is the native QSettings file of the
// organisation "Nimbrel" and application "Korvel" (~/.config/Nimbrel/Korvel.conf, moved by
// XDG_CONFIG_HOME); each window owns one group named after its form ("FMain", "FOptions", ...).
//
// Two kinds of values live in a group:
// - named values, stored under their own name and always written;
// - property-bound values ("Control.Property"), stored as the sub-key "Control/Property", written
//   only while they differ from the control's initial value and removed when they return to it.
//
// Reading never fails loudly: a value that is absent, unreadable or of the wrong type reads as
// nullopt and the caller keeps what it had. Uses QtCore only.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>

class QSettings;

namespace korvel::forms {

class FormSettings {
public:
    // The window keys of the program.
    static constexpr const char* kFMain = "FMain";
    static constexpr const char* kFOptions = "FOptions";
    static constexpr const char* kFCommand = "FCommand";
    static constexpr const char* kFConnection = "FConnection";
    static constexpr const char* kFEdit = "FEdit";
    static constexpr const char* kFMsg = "FMsg";

    explicit FormSettings(const QString& windowKey);
    // A store in another file, for tools that look at a copy.
    FormSettings(const QString& windowKey, const QString& filePath);
    ~FormSettings();
    FormSettings(const FormSettings&) = delete;
    FormSettings& operator=(const FormSettings&) = delete;

    // Where the store lives now; follows XDG_CONFIG_HOME at every call.
    static QString defaultFilePath();

    const QString& windowKey() const { return m_windowKey; }
    QString filePath() const;
    // Whether the window's group holds anything at all.
    bool exists() const;

    // Named values: always written.
    void writeInt(const QString& name, int32_t value);
    void writeBool(const QString& name, bool value);
    void writeString(const QString& name, const QString& value);
    std::optional<int32_t> readInt(const QString& name) const;
    std::optional<bool> readBool(const QString& name) const;
    std::optional<QString> readString(const QString& name) const;

    // Property-bound values, addressed as "Control.Property".
    void writeBound(const QString& path, const QString& value, const QString& initial);
    void writeBound(const QString& path, bool value, bool initial);
    void writeBound(const QString& path, int32_t value, int32_t initial);
    std::optional<QString> readBoundString(const QString& path) const;
    std::optional<bool> readBoundBool(const QString& path) const;
    std::optional<int32_t> readBoundInt(const QString& path) const;

    // Protected property-bound text: never stored readable (see FormSettings.cpp).
    void writeProtected(const QString& path, const QString& value, const QString& initial);
    std::optional<QString> readProtected(const QString& path) const;

    void remove(const QString& nameOrPath);
    // Pushes pending writes to the file.
    void sync();

    // The key a value is stored under inside the group: "Control.Property" -> "Control/Property".
    static QString storedKey(const QString& nameOrPath);

    // The protected record form, exposed for tests.
    static QByteArray protect(const QString& text);
    static std::optional<QString> unprotect(const QByteArray& record);

private:
    void writeRaw(const QString& path, const QVariant& value);
    void removeBound(const QString& path);
    QVariant readRaw(const QString& nameOrPath) const;

    QString m_windowKey;
    std::unique_ptr<QSettings> m_settings;
};

} // namespace korvel::forms
