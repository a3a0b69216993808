// Transports that cannot be opened, through the connection sequence: the text for each failure,
// then the CLOSE/OFFLINE choice. Every TCP attempt goes to 127.0.0.1.
#include <gtest/gtest.h>

#include <QTimer>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "link/connection.h"
#include "link/link_state.h"
#include "link/transports.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/tcp.h"
#include "platform/userint.h"
#include "tests/support/panels_fixture.h"
#include "tests/support/popup_script.h"
#include "ui/connect_sequence.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

constexpr char kCouldNotConnect[] =
    "Could not establish connection! \nClose window or work in offline mode!";
constexpr int kPort = 11;

// A listener on 127.0.0.1 whose accept queue is full: nothing accepts, so the kernel drops
// every further connection request and a connect can only time out.
class FullBacklogListener {
public:
    FullBacklogListener()
    {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
            listen(listener_, 0) != 0 || getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            return;
        port_ = ntohs(addr.sin_port);
        // Connect until one stays unanswered: from then on the queue is full.
        for (int i = 0; i < 16 && !full_; ++i) {
            const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            if (fd < 0)
                return;
            clients_.push_back(fd);
            if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0)
                continue;
            if (errno != EINPROGRESS)
                return;
            pollfd p{fd, POLLOUT, 0};
            full_ = poll(&p, 1, 300) == 0;
        }
    }
    ~FullBacklogListener()
    {
        for (int fd : clients_)
            close(fd);
        if (listener_ >= 0)
            close(listener_);
    }
    bool full() const { return full_; }
    uint16_t port() const { return port_; }

private:
    int listener_ = -1;
    std::vector<int> clients_;
    uint16_t port_ = 0;
    bool full_ = false;
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
    void SelectTcp(uint16_t port)
    {
        SetCtrlVal(ConnectPage, CONP_PROTOCOL, 1);
        SetCtrlVal(ConnectPage, CONP_IPADDRESS, "127.0.0.1");
        SetCtrlVal(ConnectPage, CONP_PORTNUMBER, std::to_string(port).c_str());
    }
    // Runs the connection sequence, chooses OFFLINE and checks what the operator was shown.
    void ExpectFailedConnect(const std::string& text)
    {
        PopupScript script;
        script.answer(PopupKind::Generic, 2);
        TryToConnect();
        EXPECT_LT(OpenStatus, 0);
        ASSERT_EQ(1u, script.shown().size());
        EXPECT_EQ("ATTENTION!", script.shown()[0].title);
        EXPECT_EQ(kCouldNotConnect, script.shown()[0].message);
        EXPECT_EQ("TRY TO CONNECT!\n" + text + "\n\nNO SENSOR CONNECTED!\n\n", StatusBox());
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
    };
    const std::string folder = testing::TempDir();
    int unmapped = 1;  // a number no device stands for
    while (unmapped < kMaxComPort && !ComPortDevice(unmapped).empty())
        ++unmapped;
    ASSERT_TRUE(ComPortDevice(unmapped).empty());
    const Case cases[] = {
        {"/nonexistent/ttyX", kPort, -6, "No serial port found"},
        {folder.c_str(), kPort, -7, "Cannot open port"},
        {"/dev/null", kPort, -7, "Cannot open port"},
        {nullptr, unmapped, -2, "Invalid port number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device ? c.device : "port " + std::to_string(c.port));
        ResetTextBox(ConnectPage, CONP_STATUSBOX, "");
        SetComPortDevice(kPort, c.device);
        SelectSerial(c.port);
        ExpectFailedConnect(c.text);
        EXPECT_EQ(c.code, OpenStatus);
    }
}

TEST_F(OpenFailureTest, RefusedTcpConnectIsUnableToEstablishConnection)
{
    SelectTcp(RefusingPort());
    ExpectFailedConnect("UnableToEstablishConnection");
    EXPECT_EQ(-2, OpenStatus);
}

TEST_F(OpenFailureTest, TcpConnectThatIsNeverAnsweredTimesOut)
{
    FullBacklogListener listener;
    if (!listener.full())
        GTEST_SKIP() << "this system answers connections beyond a full backlog on loopback";
    SelectTcp(listener.port());
    const double start = Timer();
    ExpectFailedConnect("TimeOutError");
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
    EXPECT_EQ("TRY TO CONNECT!\nNo serial port found\n\n", StatusBox());
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
