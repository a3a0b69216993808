// The gateway with a plant's fleet: one simulator process playing 1,000 sensors, chromix5ctl
// serve sampling every one at 10 Hz and publishing at QoS 1 to a mosquitto on 127.0.0.1, and a
// subscriber in this process counting what arrives. Printed as ratios of one run: samples the
// subscriber received against samples the gateway took, and the gateway's resident memory and
// CPU time per sample.
//
//   build/bin/bench_gateway [sensors] [seconds]     (default 1000 sensors, 60 s)
#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include <mosquitto.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support.h"

using namespace bench;

namespace {

constexpr double kRate = 10.0;

int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

// A field of /proc/PID/status in KiB, or of /proc/PID/stat: user plus system time in seconds.
long statusKiB(qint64 pid, const char* field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    const std::string name = field;
    for (std::string line; std::getline(status, line);)
        if (line.compare(0, name.size(), name) == 0)
            return std::atol(line.c_str() + name.size());
    return 0;
}

double cpuSeconds(qint64 pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The fields after the command name, which is in parentheses and may hold blanks.
    const size_t close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::vector<std::string> fields;
    std::string field;
    for (char c : text.substr(close + 2)) {
        if (c == ' ') {
            fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    // utime and stime are the 14th and 15th fields of the whole line (11 and 12 after the state).
    if (fields.size() < 13)
        return 0;
    return static_cast<double>(std::atoll(fields[11].c_str()) + std::atoll(fields[12].c_str())) /
           static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// Counts the samples (PREFIX/SERIAL) on libmosquitto's own thread.
struct Counter {
    std::atomic<long> samples{0};
    std::atomic<bool> subscribed{false};
    // The gateway's own figure from its health messages (every 10 s), the newest.
    std::atomic<double> samplesPerSecond{0};
    mosquitto* client = nullptr;

    bool Start(int port)
    {
        mosquitto_lib_init();
        client = mosquitto_new("bench-gateway-counter", true, this);
        mosquitto_connect_callback_set(client, [](mosquitto* m, void*, int rc) {
            if (rc == 0) {
                mosquitto_subscribe(m, nullptr, "bench/+", 1);
                mosquitto_subscribe(m, nullptr, "bench/health/+", 1);
            }
        });
        mosquitto_subscribe_callback_set(client, [](mosquitto*, void* self, int, int, const int*) {
            static_cast<Counter*>(self)->subscribed = true;
        });
        mosquitto_message_callback_set(client, [](mosquitto*, void* self, const mosquitto_message* m) {
            auto* c = static_cast<Counter*>(self);
            if (std::strncmp(m->topic, "bench/health/", 13) != 0) {
                ++c->samples;
                return;
            }
            const std::string health(static_cast<const char*>(m->payload), static_cast<size_t>(m->payloadlen));
            const size_t at = health.find("\"samples_per_second\":");
            if (at != std::string::npos)
                c->samplesPerSecond = std::atof(health.c_str() + at + 21);
        });
        if (mosquitto_connect(client, "127.0.0.1", port, 60) != MOSQ_ERR_SUCCESS ||
            mosquitto_loop_start(client) != MOSQ_ERR_SUCCESS)
            return false;
        for (int i = 0; i < 100 && !subscribed; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return subscribed;
    }
    ~Counter()
    {
        if (client) {
            mosquitto_disconnect(client);
            mosquitto_loop_stop(client, true);
            mosquitto_destroy(client);
        }
    }
};

void stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const int n = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const double seconds = argc > 2 ? std::max(25.0, std::atof(argv[2])) : 60.0;
    QCoreApplication app(argc, argv);
    TempDir dir;
    if (dir.path.empty())
        return 1;
    const std::string programs = QCoreApplication::applicationDirPath().toStdString();

    // The broker: unlimited queues, so that what it drops is not counted against the gateway.
    const int port = freePort();
    std::ofstream(dir.path + "/mosquitto.conf") << "listener " << port << " 127.0.0.1\nallow_anonymous true\n"
                                                << "max_queued_messages 0\nmax_inflight_messages 0\n"
                                                << "log_dest none\n";
    QProcess broker;
    broker.start("mosquitto", {"-c", QString::fromStdString(dir.path + "/mosquitto.conf")});
    if (!broker.waitForStarted(5000)) {
        std::fprintf(stderr, "cannot start mosquitto (scripts/setup.sh installs it)\n");
        return 1;
    }
    Counter counter;
    bool up = false;
    for (int i = 0; i < 50 && !up; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        up = counter.Start(port);
    }
    if (!up) {
        std::fprintf(stderr, "mosquitto does not answer on 127.0.0.1:%d\n", port);
        return 1;
    }

    // The fleet: one simulator process, one line per sensor.
    QProcess sensors;
    sensors.start(QString::fromStdString(programs + "/chromix5_sim"), {"--tcp", "0", "--count", QString::number(n)});
    const QRegularExpression line("^sensor \\d+: serial number \\d+, tcp (127\\.0\\.0\\.1:\\d+)$");
    std::string list;
    int seen = 0;
    for (int i = 0; i < 600 && seen < n; ++i) {
        while (sensors.canReadLine()) {
            const auto match = line.match(QString::fromUtf8(sensors.readLine()).trimmed());
            if (match.hasMatch()) {
                list += "tcp:" + match.captured(1).toStdString() + "\n";
                ++seen;
            }
        }
        if (seen < n)
            sensors.waitForReadyRead(100);
    }
    if (seen < n) {
        std::fprintf(stderr, "the simulator did not start: %s\n", sensors.readAllStandardError().constData());
        return 1;
    }
    std::ofstream(dir.path + "/fleet.list") << list;

    QProcess gateway;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", QString::fromStdString(dir.path + "/data"));
    gateway.setProcessEnvironment(env);
    gateway.start(QString::fromStdString(programs + "/chromix5ctl"),
                  {"serve", "--mqtt", QString::fromStdString("127.0.0.1:" + std::to_string(port)), "--topic", "bench",
                   "--rate", QString::number(kRate), "--mqtt-qos", "1", "--mqtt-client-id", "bench-gateway",
                   "--file", QString::fromStdString(dir.path + "/fleet.list")});
    if (!gateway.waitForStarted(5000))
        return 1;
    std::printf("sensors %d, %.0f s at %.0f Hz, load %s\n", n, seconds, kRate, LoadAverage().c_str());
    long peakKiB = 0;
    // The steady state: from half the run, when every sensor has been connected and its
    // configuration read and kept, to the end.
    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    double steadyFrom = -1, steadyCpu = 0;
    while (elapsed() < seconds) {
        gateway.waitForFinished(200);
        if (gateway.state() == QProcess::NotRunning)
            break;
        peakKiB = std::max(peakKiB, statusKiB(gateway.processId(), "VmHWM:"));
        if (steadyFrom < 0 && elapsed() >= seconds / 2) {
            steadyFrom = elapsed();
            steadyCpu = cpuSeconds(gateway.processId());
        }
    }
    const double cpu = cpuSeconds(gateway.processId());
    const double steadySeconds = elapsed() - steadyFrom;
    // The gateway's last health message counts the samples it took in its last 10 s.
    const double rate = counter.samplesPerSecond;
    const double steadySamples = rate * steadySeconds;
    stop(gateway);
    const std::string err = gateway.readAllStandardError().toStdString();
    // "MQTT: D of P samples delivered, X dropped, Q not acknowledged"
    long delivered = 0, taken = 0, dropped = 0, queued = 0;
    const size_t at = err.rfind("MQTT: ");
    if (at == std::string::npos ||
        std::sscanf(err.c_str() + at, "MQTT: %ld of %ld samples delivered, %ld dropped, %ld", &delivered, &taken,
                    &dropped, &queued) != 4) {
        std::fprintf(stderr, "the gateway did not end as it should:\n%s\n", err.c_str());
        return 1;
    }
    // What is under way to the subscriber arrives, until nothing more comes for 2 s.
    for (long before = -1, quiet = 0; counter.samples < delivered && quiet < 20; ++quiet) {
        if (counter.samples != before)
            quiet = 0;
        before = counter.samples;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const long received = counter.samples;
    stop(sensors);
    stop(broker);

    std::printf("gateway: %ld samples taken, %ld delivered, %ld dropped, %ld unacknowledged (exit %d); "
                "%ld received by the subscriber; CPU %.1f s in all, %.1f us per sample with the start\n",
                taken, delivered, dropped, queued, gateway.exitCode(), received, cpu,
                taken > 0 ? cpu / static_cast<double>(taken) * 1e6 : 0);
    std::printf("steady state (the last %.0f s): %.2f samples a second per sensor (the gateway's health), "
                "%.2f CPU seconds a second\n",
                steadySeconds, rate / n, (cpu - steadyCpu) / steadySeconds);
    bool met = PrintRatio("gateway.received/taken", taken > 0 ? static_cast<double>(received) / taken : 0, ">=", 0.99);
    met = PrintRatio("gateway.samples_per_second/asked", rate / (kRate * n), ">=", 0.99) && met;
    met = PrintRatio("gateway.resident_MB", static_cast<double>(peakKiB) / 1024.0, "<=", 64) && met;
    // The gateway's whole budget: one core for the 10,000 samples a second of 1,000 sensors at
    // 10 Hz. Most of it is the kernel's: two loopback conversations a sample (the sensor's
    // exchange, the publish and its acknowledgement).
    met = PrintRatio("gateway.cpu_us_per_sample", steadySamples > 0 ? (cpu - steadyCpu) / steadySamples * 1e6 : 0, "<=",
                     1e6 / (kRate * 1000)) &&
          met;
    return met ? 0 : 1;
}
