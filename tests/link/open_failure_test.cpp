// Transports that cannot be opened, through the connection sequence: the text for each failure,
// the line naming its cause as the system reported it, then the CLOSE/OFFLINE choice. Every TCP
// attempt goes to 127.0.0.1; addresses that are none are refused before anything is sent.
#include <gtest/gtest.h>

#include <QTimer>

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "link/connection.h"
#include "link/link_state.h"
#include "link/open_causes.h"
#include "link/transports.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/tcp.h"
#include "platform/userint.h"
#include "tests/link/full_backlog_listener.h"
#include "tests/support/panels_fixture.h"
#include "tests/support/popup_script.h"
#include "ui/connect_sequence.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

constexpr char kCouldNotConnect[] =
    "Could not establish connection! \nClose window or work in offline mode!";
constexpr int kPort = 11;

// A pseudo-terminal whose slave stands in for a serial device.
class Pty {
public:
    Pty()
    {
        char name[256];
        if (openpty(&master_, &slave_, name, nullptr, nullptr) == 0)
            path_ = name;
    }
    ~Pty()
    {
        if (slave_ >= 0)
            close(slave_);
        if (master_ >= 0)
            close(master_);
    }
    const std::string& path() const { return path_; }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

class OpenFailureTest : public PanelsTest {
protected:
    void TearDown() override
    {
        SetComPortDevice(kPort, nullptr);
        CloseOpenComPort();
        PanelsTest::TearDown();
    }
    void SelectSerial(int port)
    {
        SetCtrlVal(ConnectPage, CONP_PROTOCOL, 0);
        SetCtrlVal(ConnectPage, CONP_COMPORT, port);
    }
    void SelectTcp(uint16_t port, const char* address = "127.0.0.1")
    {
        SelectTcp(std::to_string(port).c_str(), address);
    }
    void SelectTcp(const char* portText, const char* address)
    {
        SetCtrlVal(ConnectPage, CONP_PROTOCOL, 1);
        SetCtrlVal(ConnectPage, CONP_IPADDRESS, address);
        SetCtrlVal(ConnectPage, CONP_PORTNUMBER, portText);
    }
    // Runs the connection sequence, chooses OFFLINE and checks what the operator was shown: the
    // failure's text and the line with its cause.
    void ExpectFailedConnect(const std::string& text, const std::string& cause)
    {
        PopupScript script;
        script.answer(PopupKind::Generic, 2);
        TryToConnect();
        EXPECT_LT(OpenStatus, 0);
        ASSERT_EQ(1u, script.shown().size());
        EXPECT_EQ("ATTENTION!", script.shown()[0].title);
        EXPECT_EQ(kCouldNotConnect, script.shown()[0].message);
        EXPECT_EQ("TRY TO CONNECT!\n" + text + "\n" + cause + "\n\nNO SENSOR CONNECTED!\n\n",
                  StatusBox());
        EXPECT_EQ(0, SensorConnected);
        EXPECT_EQ(0, TcpConnected);
        EXPECT_EQ(kTargetFile, TransferTarget);
    }
    // A port number free a moment ago: nothing listens there.
    static uint16_t RefusingPort()
    {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        bind(fd, reinterpret_cast<sockaddr*>(&addr), len);
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
        close(fd);
        return ntohs(addr.sin_port);
    }
};

}  // namespace

TEST_F(OpenFailureTest, SerialPortsThatCannotBeOpenedAreNamedByTheirCode)
{
    struct Case {
        const char* device;  // null: the port number's own device
        int port;
        int code;
        const char* text;
        std::string cause;
    };
    const std::string folder = testing::TempDir();
    int unmapped = 1;  // a number no device stands for
    while (unmapped < kMaxComPort && !ComPortDevice(unmapped).empty())
        ++unmapped;
    ASSERT_TRUE(ComPortDevice(unmapped).empty());
    const Case cases[] = {
        {"/nonexistent/ttyX", kPort, -6, "No serial port found",
         "No such device: /nonexistent/ttyX (COM11) is not there. Plug in the adapter, or choose a "
         "port that FIND COM PORTS lists."},
        {folder.c_str(), kPort, -7, "Cannot open port",
         folder + " (COM11) is not a serial device: choose another COM port."},
        {"/dev/null", kPort, -7, "Cannot open port",
         "/dev/null (COM11) is not a serial device: choose another COM port."},
        {nullptr, unmapped, -2, "Invalid port number",
         "COM" + std::to_string(unmapped) +
             " stands for no device on this system: choose a port that FIND COM PORTS lists."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device ? c.device : "port " + std::to_string(c.port));
        ResetTextBox(ConnectPage, CONP_STATUSBOX, "");
        SetComPortDevice(kPort, c.device);
        SelectSerial(c.port);
        ExpectFailedConnect(c.text, c.cause);
        EXPECT_EQ(c.code, OpenStatus);
    }
}

TEST_F(OpenFailureTest, SerialDeviceHeldElsewhereIsBusy)
{
    Pty pty;
    ASSERT_FALSE(pty.path().empty());
    constexpr int kHolder = 12;
    SetComPortDevice(kHolder, pty.path().c_str());
    ASSERT_EQ(0, OpenComConfig(kHolder, "", 115200, 0, 8, 1, 1024, 1024));
    SetComPortDevice(kPort, pty.path().c_str());
    SelectSerial(kPort);
    ExpectFailedConnect("Cannot open port", "Device busy: " + pty.path() +
                                                " (COM11) is held by another program. Close that "
                                                "program, then TRY TO CONNECT again.");
    CloseCom(kHolder);
    SetComPortDevice(kHolder, nullptr);
}

// The open as a user without rights to the device, in a child that has dropped to nobody.
TEST_F(OpenFailureTest, SerialDeviceWithoutPermissionNamesItsGroup)
{
    const passwd* nobody = getpwnam("nobody");
    if (geteuid() != 0 || !nobody)
        GTEST_SKIP() << "needs root, to run the open as the user nobody";
    const group* dialout = getgrnam("dialout");
    if (!dialout)
        GTEST_SKIP() << "no dialout group";
    Pty pty;
    ASSERT_FALSE(pty.path().empty());
    // As a USB adapter's device is: read and write for its owner and the dialout group.
    ASSERT_EQ(0, chown(pty.path().c_str(), 0, dialout->gr_gid));
    ASSERT_EQ(0, chmod(pty.path().c_str(), 0660));
    SetComPortDevice(kPort, pty.path().c_str());
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    int fds[2];
    ASSERT_EQ(0, pipe(fds));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(fds[0]);
        std::string line = "could not become nobody";
        if (setgroups(0, nullptr) == 0 && setgid(gid) == 0 && setuid(uid) == 0) {
            ComOpenFailure failure;
            const int code = OpenComConfig(kPort, "", 115200, 0, 8, 1, 1024, 1024, &failure);
            line = std::to_string(code) + " " + SerialOpenCauseLine(failure);
        }
        (void)!write(fds[1], line.data(), line.size());
        _exit(0);
    }
    close(fds[1]);
    std::string got;
    char buf[512];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;)
        got.append(buf, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ("-7 Permission denied on " + pty.path() +
                  " (COM11): add your user to the dialout group and log in again.",
              got);
}

TEST_F(OpenFailureTest, RefusedTcpConnectIsUnableToEstablishConnection)
{
    const uint16_t port = RefusingPort();
    SelectTcp(port);
    ExpectFailedConnect("UnableToEstablishConnection",
                        "Connection refused: nothing listens on port " + std::to_string(port) +
                            " of 127.0.0.1. Check the port number and that the sensor is switched on.");
    EXPECT_EQ(-2, OpenStatus);
}

TEST_F(OpenFailureTest, UnknownHostAndAddressesThatAreNoneAreNamed)
{
    const uint16_t port = RefusingPort();
    SelectTcp(port, "no-such-sensor.invalid");
    ExpectFailedConnect("UnableToEstablishConnection",
                        "Host not found: \"no-such-sensor.invalid\" is no known name. Check its "
                        "spelling, or enter the sensor's IP address.");
    EXPECT_EQ(-2, OpenStatus);

    // Written like addresses but none: refused at once, without asking any name server.
    for (const char* address : {"127.0.0.300", "127.0.0.1.5", "fe80::1::2"}) {
        SCOPED_TRACE(address);
        ResetTextBox(ConnectPage, CONP_STATUSBOX, "");
        SelectTcp(port, address);
        const double start = Timer();
        ExpectFailedConnect("UnableToEstablishConnection",
                            std::string("Address invalid: \"") + address +
                                "\" is not an IP address (four numbers from 0 to 255, e.g. "
                                "192.168.0.10). Correct it and try again.");
        EXPECT_EQ(-2, OpenStatus);
        unsigned handle = 0;
        TcpConnectFailure failure;
        EXPECT_EQ(-2, ConnectToTCPServerEx(&handle, port, address, nullptr, nullptr, 1000, 0, &failure));
        EXPECT_EQ(TcpConnectCause::InvalidAddress, failure.cause);
        EXPECT_LT(Timer() - start, 1.0);
    }
}

TEST_F(OpenFailureTest, PortNumbersOutsideTheRangeAreNamed)
{
    for (const char* text : {"0", "abc", "70000"}) {
        SCOPED_TRACE(text);
        ResetTextBox(ConnectPage, CONP_STATUSBOX, "");
        SelectTcp(text, "127.0.0.1");
        ExpectFailedConnect("InvalidParameter", std::string("Port number invalid: \"") + text +
                                                    "\" is not a port from 1 to 65535. Enter the "
                                                    "sensor's port (10001 unless it was changed).");
        EXPECT_EQ(-9, OpenStatus);
    }
}

// Causes the system reports only off loopback are named from the socket layer's report.
TEST(OpenCauseLines, NameUnreachableNetworksTimeOutsAndOtherFailures)
{
    EXPECT_EQ("Network unreachable: there is no route to 10.1.2.3. Check the cable and the PC's "
              "network settings.",
              TcpOpenCauseLine({TcpConnectCause::NetworkUnreachable, "Network unreachable"},
                               " 10.1.2.3 ", "10001", 10001, 5000));
    EXPECT_EQ("Timed out: sensor gave no answer on port 10001 within 5 s. Check the address, and "
              "that no firewall blocks the port.",
              TcpOpenCauseLine({TcpConnectCause::TimedOut, ""}, "sensor", "10001", 10001, 5000));
    EXPECT_EQ("Connection failed: Permission denied.",
              TcpOpenCauseLine({TcpConnectCause::Other, "Permission denied"}, "x", "1", 1, 5000));
    EXPECT_EQ("", TcpOpenCauseLine({}, "x", "1", 1, 5000));
    ComOpenFailure noAccess;
    noAccess.cause = ComOpenCause::PermissionDenied;
    noAccess.port = 65;
    noAccess.device = "/dev/ttyUSB0";
    noAccess.owner = "root";
    noAccess.group = "tty";
    EXPECT_EQ("Permission denied on /dev/ttyUSB0 (COM65) (owner root, group tty): ask the "
              "administrator for read and write access to it.",
              SerialOpenCauseLine(noAccess));
}

TEST_F(OpenFailureTest, TcpConnectThatIsNeverAnsweredTimesOut)
{
    FullBacklogListener listener;
    if (!listener.full())
        GTEST_SKIP() << "this system answers connections beyond a full backlog on loopback";
    SelectTcp(listener.port());
    const double start = Timer();
    ExpectFailedConnect("TimeOutError", "Timed out: 127.0.0.1 gave no answer on port " +
                                            std::to_string(listener.port()) +
                                            " within 5 s. Check the address, and that no firewall "
                                            "blocks the port.");
    EXPECT_EQ(-11, OpenStatus);
    EXPECT_GE(Timer() - start, 4.9);
}

TEST_F(OpenFailureTest, ChoosingCloseMakesTheEventLoopReturnAtOnce)
{
    SetComPortDevice(kPort, "/nonexistent/ttyX");
    SelectSerial(kPort);
    PopupScript script;
    script.answer(PopupKind::Generic, 1);
    TryToConnect();
    ASSERT_EQ(1u, script.shown().size());
    EXPECT_EQ("TRY TO CONNECT!\nNo serial port found\nNo such device: /nonexistent/ttyX (COM11) is "
              "not there. Plug in the adapter, or choose a port that FIND COM PORTS lists.\n\n",
              StatusBox());
    // Should the quit be lost, this ends the loop with another code instead of hanging.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QuitUserInterface(99); });
    guard.start(3000);
    const double start = Timer();
    EXPECT_EQ(0, RunUserInterface());
    EXPECT_LT(Timer() - start, 1.0);
    // Nothing was switched to offline.
    EXPECT_EQ(kTargetSensor, TransferTarget);
    EXPECT_EQ("TIMEOUT!", Text(DataPanel, DATAP_STATUS));
}
