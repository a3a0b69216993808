#include "cli/mqtt_options.h"

#include <mosquitto.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cli {

namespace {

constexpr const char* kValueOptions[] = {
    "--mqtt-qos",  "--mqtt-client-id", "--mqtt-keepalive", "--mqtt-user", "--mqtt-password-file",
    "--mqtt-password-env", "--mqtt-cafile", "--mqtt-cert", "--mqtt-key", "--mqtt-sparkplug",
};
constexpr const char* kFlags[] = {"--mqtt-retain", "--mqtt-tls", "--mqtt-insecure"};

// An MQTT string holds at most 65535 bytes.
constexpr size_t kLongestSecret = 65535;

bool ParseInt(const std::string& text, int lo, int hi, int* value)
{
    int v = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || ptr != end || v < lo || v > hi)
        return false;
    *value = v;
    return true;
}

bool IsUtf8(const std::string& text)
{
    return text.size() <= kLongestSecret &&
           mosquitto_validate_utf8(text.data(), static_cast<int>(text.size())) == MOSQ_ERR_SUCCESS;
}

// The client id also names the process's status topic, so it keeps to characters that are safe
// in a topic level and in a file name.
bool IsClientId(const std::string& id)
{
    if (id.empty() || id.size() > 64)
        return false;
    for (const char c : id)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
              c == '_' || c == '.' || c == ':'))
            return false;
    return true;
}

// The first line of a small regular file. Opened without blocking, so that a FIFO named by
// mistake is refused rather than waited on.
bool ReadSecretFile(const std::string& path, std::string* secret, std::string* error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = "--mqtt-password-file: cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > 65536) {
        ::close(fd);
        *error = "--mqtt-password-file: " + path + " is not a regular file of at most 64 KiB";
        return false;
    }
    std::string text(static_cast<size_t>(st.st_size), '\0');
    size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    text.resize(got);
    text = text.substr(0, text.find('\n'));
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    if (text.empty()) {
        *error = "--mqtt-password-file: the first line of " + path + " is empty";
        return false;
    }
    *secret = std::move(text);
    return true;
}

}  // namespace

bool IsMqttValueOption(const std::string& name)
{
    for (const char* o : kValueOptions)
        if (name == o)
            return true;
    return false;
}

bool IsMqttFlag(const std::string& name)
{
    for (const char* o : kFlags)
        if (name == o)
            return true;
    return false;
}

bool IsPublishTopic(const std::string& topic)
{
    return !topic.empty() && topic.find_first_of(std::string("+#\0", 3)) == std::string::npos && IsUtf8(topic);
}

bool IsSparkplugId(const std::string& id)
{
    return !id.empty() && id.size() <= 64 && id.find_first_of(std::string("/+#\0", 4)) == std::string::npos &&
           IsUtf8(id);
}

bool ApplyMqttOption(const std::string& name, const std::string& value, MqttSettings* s, std::string* error)
{
    if (name == "--mqtt-retain") {
        s->retain = true;
    } else if (name == "--mqtt-tls") {
        s->tls = true;
    } else if (name == "--mqtt-insecure") {
        s->insecure = true;
    } else if (name == "--mqtt-qos") {
        if (!ParseInt(value, 0, 2, &s->qos)) {
            *error = "--mqtt-qos: '" + value + "' is not 0, 1 or 2";
            return false;
        }
    } else if (name == "--mqtt-keepalive") {
        // libmosquitto refuses less than 5 s; 0 (no keep-alive) would leave a dead broker unnoticed.
        if (!ParseInt(value, 5, 65535, &s->keepAlive)) {
            *error = "--mqtt-keepalive: '" + value + "' is not a number of seconds from 5 to 65535";
            return false;
        }
    } else if (name == "--mqtt-client-id") {
        if (!IsClientId(value)) {
            *error = "--mqtt-client-id: '" + value +
                     "' is not 1 to 64 letters, digits, '-', '_', '.' or ':'";
            return false;
        }
        s->clientId = value;
    } else if (name == "--mqtt-user") {
        if (value.empty() || !IsUtf8(value)) {
            *error = "--mqtt-user: the user name is empty or not UTF-8";
            return false;
        }
        s->user = value;
    } else if (name == "--mqtt-password-file" || name == "--mqtt-password-env") {
        if (s->hasPassword) {
            *error = "--mqtt-password-file and --mqtt-password-env: give the password once";
            return false;
        }
        std::string secret;
        if (name == "--mqtt-password-file") {
            if (!ReadSecretFile(value, &secret, error))
                return false;
        } else {
            const char* text = value.empty() ? nullptr : std::getenv(value.c_str());
            if (!text || !*text) {
                *error = "--mqtt-password-env: the environment variable '" + value + "' is not set or empty";
                return false;
            }
            secret = text;
        }
        if (secret.size() > kLongestSecret) {
            *error = name + ": the password is longer than 65535 bytes";
            return false;
        }
        s->password = std::move(secret);
        s->hasPassword = true;
    } else if (name == "--mqtt-sparkplug") {
        // GROUP or GROUP/NODE: a Sparkplug id holds no '/', so the first one divides them.
        const size_t slash = value.find('/');
        const std::string group = value.substr(0, slash);
        const std::string node = slash == std::string::npos ? std::string() : value.substr(slash + 1);
        if (!IsSparkplugId(group) || (slash != std::string::npos && !IsSparkplugId(node))) {
            *error = "--mqtt-sparkplug: '" + value +
                     "' is not GROUP or GROUP/NODE, each 1 to 64 characters of UTF-8 without '/', '+' or '#'";
            return false;
        }
        s->sparkplugGroup = group;
        s->sparkplugNode = node;
    } else if (name == "--mqtt-cafile" || name == "--mqtt-cert" || name == "--mqtt-key") {
        if (value.empty()) {
            *error = name + ": empty file name";
            return false;
        }
        (name == "--mqtt-cafile" ? s->caFile : name == "--mqtt-cert" ? s->certFile : s->keyFile) = value;
    }
    return true;
}

bool CompleteMqttSettings(MqttSettings* s, bool brokerGiven, bool portGiven, int* port, std::string* error)
{
    if (brokerGiven && !s->sparkplugGroup.empty() && s->retain) {
        *error = "--mqtt-retain: Sparkplug B messages are never retained";
        return false;
    }
    if (!brokerGiven) {
        if (!(*s == MqttSettings{})) {
            *error = "the --mqtt-... options need a broker (--mqtt HOST[:PORT])";
            return false;
        }
        return true;
    }
    if (s->hasPassword && s->user.empty()) {
        *error = "a password needs a user name (--mqtt-user)";
        return false;
    }
    if (s->certFile.empty() != s->keyFile.empty()) {
        *error = "--mqtt-cert and --mqtt-key go together";
        return false;
    }
    if (!s->caFile.empty() || !s->certFile.empty())
        s->tls = true;
    if (s->insecure && !s->tls) {
        *error = "--mqtt-insecure turns off the certificate checks of TLS: it needs --mqtt-tls or --mqtt-cafile";
        return false;
    }
    if (s->tls && !portGiven)
        *port = 8883;
    return true;
}

}  // namespace cli
