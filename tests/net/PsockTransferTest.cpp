// Sending and receiving against loopback servers that misbehave in one way
// each: pieces, drips, early close, reset, stall.

#include "framework/Files.h"
#include "net/Psock.h"
#include "tests/net/LoopbackServer.h"
#include "tests/net/NetTestSupport.h"

#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <sys/socket.h>

namespace {

using loopback::Connection;
using loopback::Server;
using nettest::cpuSeconds;
using nettest::message;
using nettest::socketTo;

// n bytes that do not repeat within a block.
std::string pattern(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) {
        s[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    }
    return s;
}

TEST(PsockReadLn, LinesWholeFromPiecesOneAtATimeAtMost65536Bytes) {
    Server server([](Connection& c) {
        c.Drip("first line\n", 3, 400); // longer than the time-out, never silent as long
        c.Drip("second\r\nthird", 1, 2);
        c.Pause(50);
        c.Send("\nX");
        c.ReadUntil("go");
        c.Send(std::string(65535, 'y') + "\n" + std::string(65536, 'z') + "tail\n");
        c.Send("B: 2\nC: 3"); // and the close, without a LF
    });
    auto sock = socketTo(server.Port(), 1000);
    for (const char* line : {"first line\n", "second\r\n", "third\n"}) {
        EXPECT_EQ(sock->ReadLn(), line);
    }
    EXPECT_EQ(sock->Read(1), "X"); // left waiting in the socket
    sock->Write("go");
    EXPECT_EQ(sock->ReadLn(), std::string(65535, 'y') + "\n"); // 65536 bytes with its LF fit
    EXPECT_THROW(sock->ReadLn(), ERangeError);                 // one more byte does not,
    EXPECT_EQ(sock->ReadLn(), "tail\n");                       // and nothing past it is taken
    EXPECT_EQ(sock->ReadLn(), "B: 2\n");
    EXPECT_EQ(sock->ReadLn(), ""); // a line the close cuts off is none
    EXPECT_EQ(sock->ReadLn(), ""); // and it stays at the end
}

TEST(PsockCapture, EveryByteIntoStringsFilesAndStreamsCountedBlockByBlock) {
    QTemporaryDir dir;
    const std::string file = dir.filePath("capture.bin").toStdString();
    const std::string body = pattern(150000) + std::string("\0\r\n\xff", 4);
    Server server([&](Connection& c) {
        switch (c.Index()) {
        case 0:
            c.Send("12345");
            c.ReadUntil("1");
            c.Send("67890");
            c.ReadUntil("2");
            c.Drip("one byte at a time", 1, 20);
            c.Send(body);
            return;
        default:
            c.Send(body);
        }
    });
    auto sock = socketTo(server.Port());
    std::string s;
    sock->CaptureString(s, 3);
    EXPECT_EQ(s, "12345"); // one block may overshoot the count
    sock->Write("1");
    sock->CaptureString(s, 5);
    EXPECT_EQ(s, "67890");
    sock->Write("2");
    std::vector<std::int32_t> blocks{0};
    sock->OnPacketRecvd = [&](QObject*) { blocks.push_back(sock->BytesRecvd); };
    sock->CaptureString(s, -1);
    EXPECT_EQ(s, "one byte at a time" + body);
    EXPECT_EQ(sock->BytesRecvd, static_cast<std::int32_t>(s.size()));
    // One event per block taken, single bytes included.
    ASSERT_GE(blocks.size(), 3u);
    EXPECT_EQ(blocks[1], 1);
    EXPECT_EQ(std::adjacent_find(blocks.begin(), blocks.end(),
                                 [](int a, int b) { return b <= a || b - a > 65536; }),
              blocks.end());
    sock->OnPacketRecvd = nullptr;
    sock->Disconnect();

    sock->Connect();
    WriteFileBytes(file, "to be replaced");
    sock->CaptureFile(file);
    EXPECT_EQ(ReadFileBytes(file), body);
    sock->Disconnect();
    sock->Connect();
    // The stream's own contents count towards the limit.
    TMemoryStream stream(std::string(10, '#'));
    stream.Seek(0, TSeekOrigin::End);
    sock->CaptureStream(stream, 5);
    EXPECT_EQ(stream.DataString(), std::string(10, '#'));
    stream.SetSize(0);
    sock->CaptureStream(stream, static_cast<std::int32_t>(body.size()));
    EXPECT_EQ(stream.DataString(), body);
    sock->Disconnect();
    sock->Connect();
    WriteFileBytes(file, "head:");
    sock->AppendFile(file); // ends with the peer's close
    EXPECT_EQ(ReadFileBytes(file), "head:" + body);
    EXPECT_FALSE(sock->Connected);
}

TEST(PsockCapture, AResetIsReportedOnceToTheNextReaderWhoeverSawItFirst) {
    Server server([](Connection& c) {
        c.Send("before the reset");
        c.ReadUntil("1");
        c.Close(true);
    });
    // (a capture that meets the reset itself is the HTTP client's case)
    auto sock = socketTo(server.Port(), 5000, false);
    std::string s;
    // the window sees it first while nobody reads and closes the socket; the
    // next reader still hears of it, once
    const auto resetWhileIdle = [&] {
        sock->Connect();
        EXPECT_EQ(sock->Read(16), "before the reset");
        sock->Write("1");
        ASSERT_TRUE(nettest::waitUntil([&] { return !sock->Connected; }, 3000));
    };
    resetWhileIdle();
    EXPECT_EQ(message([&] { sock->ReadLn(); }), "10054:Connection reset by peer");
    EXPECT_EQ(sock->ReadLn(), "");
    resetWhileIdle();
    QTemporaryDir dir;
    EXPECT_EQ(message([&] { sock->CaptureFile(dir.filePath("f").toStdString()); }),
              "10054:Connection reset by peer");
    // after the caller's own Disconnect there is nothing left to report
    resetWhileIdle();
    sock->Disconnect();
    EXPECT_NO_THROW(sock->CaptureString(s, -1));
    EXPECT_EQ(s, "");
}

TEST(PsockCapture, ADisconnectInsideEndsItQuietlyACancelRaisesTheAbortAndClearsTheFlag) {
    QTemporaryDir dir;
    const std::string file = dir.filePath("body.bin").toStdString();
    Server server([](Connection& c) {
        for (int i = 0; i < 400 && c.Send("chunk;"); ++i) {
            c.Pause(5);
        }
    });
    // a Disconnect from a packet handler while data flows
    auto sock = socketTo(server.Port());
    int packets = 0;
    sock->OnPacketRecvd = [&](QObject*) {
        if (++packets == 3) {
            sock->Disconnect();
        }
    };
    std::string s;
    EXPECT_NO_THROW(sock->CaptureString(s, -1));
    EXPECT_FALSE(s.empty() || sock->Connected);
    EXPECT_EQ(s.size() % 6, 0u);
    EXPECT_EQ(sock->BytesRecvd, static_cast<std::int32_t>(s.size()));

    // a Cancel ends every kind of capture with its own message
    sock->Connect();
    sock->OnPacketRecvd = [&](QObject*) {
        if (sock->BytesRecvd >= 12) {
            sock->Cancel();
        }
    };
    EXPECT_THROW(sock->CaptureString(s, -1), EAbortError);
    EXPECT_GE(s.size(), 12u);
    TMemoryStream stream;
    EXPECT_EQ(message([&] { sock->CaptureStream(stream, 1 << 30); }), "Socket capture aborted");
    EXPECT_EQ(message([&] { sock->CaptureFile(file); }), "Socket send aborted");
    EXPECT_FALSE(sock->Canceled);
    // The file is closed and keeps what arrived.
    EXPECT_EQ(static_cast<std::int32_t>(ReadFileBytes(file).size()), sock->BytesRecvd);
}

TEST(PsockTimeOut, AStalledLineEndsAtTheTimeOutWithoutSpinning) {
    Server server([](Connection& c) {
        c.Send("partial");
        c.ReadUntil();
    });
    // the wait sleeps: a spinning one burns the whole 200 ms (bytes that keep
    // coming keep a wait going: the HTTP client's case)
    auto sock = socketTo(server.Port(), 200);
    const double cpu = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(message([&] { sock->ReadLn(); }), "Socket readln aborted");
    EXPECT_GE(clock.elapsed(), 150);
    EXPECT_LT(cpuSeconds() - cpu, 0.1);
    EXPECT_TRUE(sock->TimedOut && !sock->Canceled);
}

TEST(PsockSend, WriteStopsAtNulCountsAreSixteenBitAndAResetPeerRaisesNoSignal) {
    Server server([](Connection& c) {
        if (c.Index() == 1 && c.ReadUntil("x")) {
            c.Close(true);
        }
        c.ReadUntil();
    });
    auto sock = socketTo(server.Port());
    sock->Write(std::string("a\0b", 3));
    sock->Writeln("");
    sock->Writeln("line");
    sock->Write(std::string(65535, 'w'));
    EXPECT_THROW(sock->Write(std::string(65536, 'w')), ERangeError);
    sock->SendBuffer("counted", 4);
    sock->Disconnect();
    ASSERT_TRUE(server.WaitServed(1));
    EXPECT_EQ(server.Request(), "a\r\nline\r\n" + std::string(65535, 'w') + "coun");

    sock->Connect();
    std::string result;
    nettest::waitUntil(
        [&] { return (result = message([&] { sock->Write("xx"); })) != "(no exception)"; }, 3000);
    // Still running, so no SIGPIPE killed the process.
    EXPECT_TRUE(result == "10054:Connection reset by peer" ||
                result == "10057:Socket is not connected" ||
                result == "10053:Software caused connection abort")
        << result;
}

TEST(PsockSend, FilesAndStreamsGoOutWholeToASlowReaderAndCancel) {
    QTemporaryDir dir;
    const std::string file = dir.filePath("out.bin").toStdString();
    const std::string data = pattern(3 * 1024 * 1024 + 17);
    WriteFileBytes(file, data);
    Server server([&](Connection& c) {
        c.Pause(100); // let the socket buffers fill
        c.ReadUntil(c.Index() == 0 ? data + data : "never", 15000);
    });
    auto sock = socketTo(server.Port());
    int packets = 0;
    sock->OnPacketSent = [&](QObject*) { ++packets; };
    sock->BytesSent = 0;
    const double cpu = cpuSeconds();
    sock->SendFile(file);
    EXPECT_EQ(sock->BytesSent, static_cast<std::int32_t>(data.size()));
    TMemoryStream stream(data);
    stream.Seek(0, TSeekOrigin::End);
    sock->SendStream(stream);
    EXPECT_EQ(sock->BytesSent, static_cast<std::int32_t>(data.size()));
    EXPECT_EQ(sock->BytesTotal, static_cast<std::int32_t>(data.size()));
    EXPECT_GE(packets, 2 * 48);
    EXPECT_LT(cpuSeconds() - cpu, 2.0);
    ASSERT_TRUE(server.WaitServed(1, 15000));
    EXPECT_EQ(server.Request(0), data + data);
    EXPECT_THROW(sock->SendFile(dir.filePath("missing").toStdString()), EFOpenError);

    sock->Disconnect();
    sock->Connect();
    sock->Cancel();
    EXPECT_EQ(message([&] { sock->Writeln("x"); }), "Socket send aborted");
    sock->OnPacketSent = [&](QObject*) { sock->Cancel(); };
    EXPECT_EQ(message([&] { sock->SendStream(stream); }), "Socket send aborted");
    EXPECT_FALSE(sock->Canceled);
}

TEST(PsockTransaction, ReplyNumbersAndStatusTexts) {
    const std::vector<std::string> replies = {"250 ok\r\n", "99999 x\r\n",
                                              "99999999999 too long\r\n"};
    Server server([&](Connection& c) {
        for (std::size_t i = 0; i < replies.size(); ++i) {
            c.ReadUntil("command " + std::to_string(i) + "\r\n");
            c.Send(replies[i]);
        }
        c.ReadUntil();
    });
    auto sock = socketTo(server.Port());
    std::vector<std::string> statuses;
    sock->ReportLevel = 1;
    sock->OnStatus = [&](QObject*, const std::string& text) { statuses.push_back(text); };
    EXPECT_EQ(sock->Transaction("command 0"), "250 ok\r\n");
    EXPECT_EQ(sock->ReplyNumber, 250);
    EXPECT_THROW(sock->Transaction("command 1"), ERangeError);
    // Ten digits at most; a value beyond 32 bits counts as 0.
    EXPECT_EQ(sock->Transaction("command 2"), "99999999999 too long\r\n");
    EXPECT_EQ(sock->ReplyNumber, 0);
    EXPECT_EQ(statuses, replies);
}

} // namespace
