// Sending and receiving against loopback servers that misbehave in one way
// each: pieces, drips, early close, reset, stall.

#include "framework/Files.h"
#include "framework/Pump.h"
#include "net/Psock.h"
#include "tests/net/LoopbackServer.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>

namespace {

using loopback::Connection;
using loopback::Server;

// Pumps until done() holds or limitMs pass; a ticking timer bounds each wait.
bool waitUntil(const std::function<bool()>& done, int limitMs) {
    QTimer tick;
    tick.start(10);
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs) {
        WaitMessage();
    }
    return done();
}

std::string message(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& error) {
        return error.Message();
    }
    return "(no exception)";
}

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A component connected to server, with a time-out that ends any test fault.
std::unique_ptr<TPowersock> connectTo(const Server& server, int timeOut = 5000) {
    auto sock = std::make_unique<TPowersock>();
    sock->Host = "127.0.0.1";
    sock->Port = server.Port();
    sock->TimeOut = timeOut;
    sock->Connect();
    return sock;
}

std::string pattern(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) {
        s[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    }
    return s;
}

TEST(PsockReadLn, TakesExactlyOneLineAndLeavesTheRest) {
    Server server([](Connection& c) {
        c.Send("HTTP/1.0 200 OK\r\nX");
        c.ReadUntilClosed();
    });
    auto sock = connectTo(server);
    EXPECT_EQ(sock->ReadLn(), "HTTP/1.0 200 OK\r\n");
    EXPECT_EQ(sock->Read(1), "X");
    sock->Disconnect();
}

TEST(PsockReadLn, LineInPiecesIsReturnedWhole) {
    Server server([](Connection& c) {
        c.Drip("first line\n", 3, 20);
        c.Drip("second\r\nthird", 1, 2);
        c.Pause(50);
        c.Send("\n");
        c.ReadUntilClosed();
    });
    auto sock = connectTo(server);
    EXPECT_EQ(sock->ReadLn(), "first line\n");
    EXPECT_EQ(sock->ReadLn(), "second\r\n");
    EXPECT_EQ(sock->ReadLn(), "third\n");
    sock->Disconnect();
}

TEST(PsockReadLn, CloseWithoutLineFeedGivesEmpty) {
    Server server([](Connection& c) { c.Send("abc"); });
    auto sock = connectTo(server);
    EXPECT_EQ(sock->ReadLn(), "");
    EXPECT_EQ(sock->ReadLn(), ""); // and stays at the end
    sock->Disconnect();
}

TEST(PsockReadLn, OverlongLineWithoutLineFeedIsARangeError) {
    const std::string longest = std::string(65535, 'y') + "\n";
    Server server([&](Connection& c) {
        c.Send(longest);
        c.Send(std::string(65536, 'z') + "tail\n");
        c.ReadUntilClosed();
    });
    auto sock = connectTo(server);
    EXPECT_EQ(sock->ReadLn(), longest); // 65536 bytes with its LF still fit
    EXPECT_THROW(sock->ReadLn(), ERangeError);
    // Nothing past the 65536 bytes taken was consumed.
    EXPECT_EQ(sock->ReadLn(), "tail\n");
    sock->Disconnect();
}

TEST(PsockReadLn, StallEndsByTheTimeOut) {
    Server server([](Connection& c) {
        c.Send("partial");
        c.ReadUntilClosed(5000);
    });
    auto sock = connectTo(server, 200);
    const double cpu = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(message([&] { sock->ReadLn(); }), "Socket readln aborted");
    EXPECT_GE(clock.elapsed(), 150);
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_FALSE(sock->Canceled);
    EXPECT_TRUE(sock->TimedOut);
    // The wait slept: a spinning one burns the whole 200 ms.
    EXPECT_LT(cpuSeconds() - cpu, 0.1);
    sock->Disconnect();
}

TEST(PsockCapture, EveryByteUntilTheCloseOnePacketEventPerBlock) {
    const std::string body = pattern(200000);
    Server server([&](Connection& c) {
        c.Drip("one byte at a time", 1, 20);
        c.Pause(20);
        c.Send(body);
    });
    auto sock = connectTo(server);
    std::vector<std::int32_t> blocks;
    std::int32_t previous = 0;
    sock->OnPacketRecvd = [&](QObject*) {
        blocks.push_back(sock->BytesRecvd - previous);
        previous = sock->BytesRecvd;
    };
    std::string s = "old contents";
    sock->CaptureString(s, -1);
    EXPECT_EQ(s, "one byte at a time" + body);
    EXPECT_EQ(sock->BytesRecvd, static_cast<std::int32_t>(s.size()));
    // One event per block taken, single bytes included.
    ASSERT_GE(blocks.size(), 2u);
    EXPECT_EQ(blocks.front(), 1);
    EXPECT_TRUE(std::all_of(blocks.begin(), blocks.end(),
                            [](std::int32_t n) { return n > 0 && n <= 65536; }));
    sock->Disconnect();
}

TEST(PsockCapture, CountStopsBeforeTheNextTake) {
    Server server([](Connection& c) {
        c.Send("12345");
        c.Pause(50);
        c.Send("67890");
        c.ReadUntilClosed();
    });
    auto sock = connectTo(server);
    std::string s;
    sock->CaptureString(s, 3);
    EXPECT_EQ(s, "12345"); // one block may overshoot the count
    sock->CaptureString(s, 5);
    EXPECT_EQ(s, "67890");
    sock->Disconnect();
}

TEST(PsockCapture, EarlyCloseAndResetEndCleanly) {
    {
        Server server([](Connection& c) { c.Send("partial bo"); });
        auto sock = connectTo(server);
        std::string s;
        sock->CaptureString(s, -1);
        EXPECT_EQ(s, "partial bo");
        sock->Disconnect();
    }
    {
        Server server([](Connection& c) {
            c.Send("before the reset");
            c.Pause(50);
            c.Reset();
        });
        auto sock = connectTo(server);
        std::string s;
        const std::string result = message([&] { sock->CaptureString(s, -1); });
        // Either the reset is reported, or the close it caused ends the capture.
        if (result != "(no exception)") {
            EXPECT_EQ(result, "10054:Connection reset by peer");
        }
        EXPECT_EQ(std::string("before the reset").rfind(s, 0), 0u);
        sock->Disconnect();
    }
}

TEST(PsockCapture, DisconnectFromAHandlerEndsTheCaptureWithoutError) {
    Server server([](Connection& c) {
        for (int i = 0; i < 200 && c.Send("chunk;"); ++i) {
            c.Pause(5);
        }
    });
    auto sock = connectTo(server);
    int packets = 0;
    sock->OnPacketRecvd = [&](QObject*) {
        if (++packets == 3) {
            sock->Disconnect();
        }
    };
    std::string s;
    QElapsedTimer clock;
    clock.start();
    EXPECT_NO_THROW(sock->CaptureString(s, -1));
    EXPECT_LT(clock.elapsed(), 900);
    EXPECT_FALSE(s.empty());
    EXPECT_EQ(s.size() % 6, 0u);
    EXPECT_EQ(sock->BytesRecvd, static_cast<std::int32_t>(s.size()));
    EXPECT_FALSE(sock->Connected);
}

TEST(PsockCapture, DisconnectFromATimerWhileTheCaptureWaits) {
    Server server([](Connection& c) {
        c.Send("early");
        c.ReadUntilClosed(5000);
    });
    auto sock = connectTo(server, 0);
    QTimer::singleShot(100, [&] { sock->Disconnect(); });
    std::string s;
    EXPECT_NO_THROW(sock->CaptureString(s, -1));
    EXPECT_EQ(s, "early");
}

TEST(PsockCapture, CancelFromAHandlerRaisesTheAbortAndClearsTheFlag) {
    QTemporaryDir dir;
    const std::string file = dir.filePath("body.bin").toStdString();
    Server server([](Connection& c) {
        for (int i = 0; i < 400 && c.Send("data"); ++i) {
            c.Pause(5);
        }
    });
    auto sock = connectTo(server);
    sock->OnPacketRecvd = [&](QObject*) {
        if (sock->BytesRecvd >= 8) {
            sock->Cancel();
        }
    };
    std::string s;
    try {
        sock->CaptureString(s, -1);
        FAIL() << "no abort";
    } catch (const EAbortError& error) {
        EXPECT_EQ(error.Message(), "Socket capture aborted");
    }
    EXPECT_FALSE(sock->Canceled);
    EXPECT_GE(s.size(), 8u);

    EXPECT_EQ(message([&] { sock->CaptureFile(file); }), "Socket send aborted");
    EXPECT_FALSE(sock->Canceled);
    // The file is closed and keeps what arrived.
    const std::string saved = ReadFileBytes(file);
    EXPECT_GE(saved.size(), 1u);
    EXPECT_EQ(static_cast<std::int32_t>(saved.size()), sock->BytesRecvd);

    TMemoryStream stream;
    EXPECT_EQ(message([&] { sock->CaptureStream(stream, 1 << 30); }), "Socket capture aborted");
    EXPECT_FALSE(sock->Canceled);
    sock->Disconnect();
}

TEST(PsockCapture, TimeOutEndsACaptureEvenWhileDataKeepsArriving) {
    Server server([](Connection& c) {
        for (int i = 0; i < 300 && c.Send("tick "); ++i) {
            c.Pause(10);
        }
    });
    auto sock = connectTo(server, 300);
    int packets = 0;
    sock->OnPacketRecvd = [&](QObject*) { ++packets; };
    std::string s;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(message([&] { sock->CaptureString(s, -1); }), "Socket capture aborted");
    EXPECT_GE(clock.elapsed(), 250);
    EXPECT_LT(clock.elapsed(), 1500);
    EXPECT_GT(packets, 5); // it was receiving steadily all along
    EXPECT_TRUE(sock->TimedOut);
    sock->Disconnect();
}

TEST(PsockCapture, FileAndStreamCaptures) {
    QTemporaryDir dir;
    const std::string file = dir.filePath("capture.bin").toStdString();
    const std::string body = pattern(150000) + std::string("\0\r\n\xff", 4);
    Server server([&](Connection& c) { c.Send(body); });
    {
        auto sock = connectTo(server);
        WriteFileBytes(file, "to be replaced");
        sock->CaptureFile(file);
        EXPECT_EQ(ReadFileBytes(file), body);
        EXPECT_EQ(sock->BytesRecvd, static_cast<std::int32_t>(body.size()));
        sock->Disconnect();
    }
    {
        auto sock = connectTo(server);
        // The stream's own contents count towards the limit.
        TMemoryStream stream(std::string(10, '#'));
        stream.Seek(0, TSeekOrigin::End);
        sock->CaptureStream(stream, 5);
        EXPECT_EQ(stream.DataString(), std::string(10, '#'));
        stream.SetSize(0);
        sock->CaptureStream(stream, static_cast<std::int32_t>(body.size()));
        EXPECT_EQ(stream.DataString(), body);
        sock->Disconnect();
    }
    {
        auto sock = connectTo(server);
        WriteFileBytes(file, "head:");
        sock->Connected = true;
        sock->AppendFile(file); // ends with the peer's close
        EXPECT_EQ(ReadFileBytes(file), "head:" + body);
        EXPECT_FALSE(sock->Connected);
        sock->Disconnect();
    }
}

TEST(PsockCapture, OnePassStreamCaptureTakesOneBlock) {
    Server server([](Connection& c) {
        c.Send("block");
        c.ReadUntilClosed();
    });
    auto sock = connectTo(server);
    TMemoryStream stream;
    ASSERT_TRUE(waitUntil([&] { return sock->DataAvailable(); }, 2000));
    sock->CaptureStream(stream, -1);
    EXPECT_EQ(stream.DataString(), "block");
    sock->CaptureStream(stream, -1); // nothing waiting: returns at once
    EXPECT_EQ(stream.DataString(), "block");
    sock->Disconnect();
}

TEST(PsockSend, WriteStopsAtNulAndCountsAreSixteenBit) {
    Server server([](Connection& c) { c.ReadUntilClosed(); });
    auto sock = connectTo(server);
    sock->Write(std::string("a\0b", 3));
    sock->Writeln("");
    sock->Writeln("line");
    sock->Write(std::string(65535, 'w'));
    EXPECT_THROW(sock->Write(std::string(65536, 'w')), ERangeError);
    sock->SendBuffer("counted", 4);
    sock->Disconnect();
    ASSERT_TRUE(server.WaitServed(1));
    EXPECT_EQ(server.Received(), "a\r\nline\r\n" + std::string(65535, 'w') + "coun");
}

TEST(PsockSend, SendToAResetPeerRaisesAndRaisesNoSignal) {
    Server server([](Connection& c) { c.Reset(); });
    auto sock = connectTo(server);
    std::string result = "(no exception)";
    QElapsedTimer clock;
    clock.start();
    while (result == "(no exception)" && clock.elapsed() < 3000) {
        result = message([&] { sock->Write(std::string(1000, 'x')); });
        ProcessMessages();
    }
    // Still running, so no SIGPIPE killed the process.
    EXPECT_TRUE(result == "10054:Connection reset by peer" ||
                result == "10057:Socket is not connected" ||
                result == "10053:Software caused connection abort")
        << result;
    sock->Disconnect();
}

TEST(PsockSend, FilesAndStreamsGoOutWholeToASlowReader) {
    QTemporaryDir dir;
    const std::string file = dir.filePath("out.bin").toStdString();
    const std::string data = pattern(3 * 1024 * 1024 + 17);
    WriteFileBytes(file, data);
    Server server([&](Connection& c) {
        c.Pause(100); // let the socket buffers fill
        c.ReadUntil(data + data, 15000);
    });
    auto sock = connectTo(server);
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
    EXPECT_EQ(server.Received(), data + data);
    EXPECT_THROW(sock->SendFile(dir.filePath("missing").toStdString()), EFOpenError);
    sock->Disconnect();
}

TEST(PsockSend, CanceledSendsRaiseTheSendAbort) {
    Server server([](Connection& c) { c.ReadUntilClosed(); });
    auto sock = connectTo(server);
    sock->Cancel();
    EXPECT_EQ(message([&] { sock->Writeln("x"); }), "Socket send aborted");
    EXPECT_FALSE(sock->Canceled);
    TMemoryStream stream(pattern(300000));
    sock->OnPacketSent = [&](QObject*) { sock->Cancel(); };
    EXPECT_EQ(message([&] { sock->SendStream(stream); }), "Socket send aborted");
    EXPECT_FALSE(sock->Canceled);
    sock->Disconnect();
}

TEST(PsockRead, CountedReadsWaitForTheirBytes) {
    Server server([](Connection& c) {
        c.Drip("abcdefgh", 2, 30);
        c.Send("rest");
    });
    auto sock = connectTo(server);
    const double cpu = cpuSeconds();
    EXPECT_EQ(sock->Read(5), "abcde");
    EXPECT_LT(cpuSeconds() - cpu, 0.1);
    EXPECT_EQ(sock->Read(3), "fgh");
    // The peer closed with fewer bytes than asked: the rest comes back.
    EXPECT_EQ(sock->Read(100), "rest");
    EXPECT_EQ(sock->Read(1), "");
    EXPECT_EQ(sock->Read(0), "");
    sock->Disconnect();
}

TEST(PsockRead, ReadZeroGivesAFullBufferOfBytes) {
    Server server([](Connection& c) {
        c.Send(std::string(70000, 'q'));
        c.ReadUntilClosed();
    });
    auto sock = connectTo(server);
    // Wait until more than a full buffer is waiting, then take one in one go.
    ASSERT_TRUE(waitUntil(
        [&] {
            static char probe[70000];
            return ::recv(sock->SocketHandle, probe, sizeof probe, MSG_PEEK | MSG_DONTWAIT) > 65536;
        },
        3000));
    EXPECT_EQ(sock->Read(0), std::string(65536, 'q'));
    sock->Disconnect();
}

TEST(PsockTransaction, ReplyNumbers) {
    Server server([](Connection& c) {
        c.ReadUntil("one\r\n");
        c.Send("250 ok\r\n");
        c.ReadUntil("two\r\n");
        c.Send("abc\r\n");
        c.ReadUntil("three\r\n");
        c.Send("99999 x\r\n");
        c.ReadUntil("four\r\n");
        c.Send("99999999999 too long\r\n");
        c.ReadUntilClosed();
    });
    auto sock = connectTo(server);
    std::vector<std::string> statuses;
    sock->ReportLevel = 1;
    sock->OnStatus = [&](QObject*, const std::string& text) { statuses.push_back(text); };
    EXPECT_EQ(sock->Transaction("one"), "250 ok\r\n");
    EXPECT_EQ(sock->ReplyNumber, 250);
    EXPECT_EQ(sock->LastReply, "250 ok\r\n");
    EXPECT_EQ(sock->Transaction("two"), "abc\r\n");
    EXPECT_EQ(sock->ReplyNumber, 0);
    EXPECT_THROW(sock->Transaction("three"), ERangeError);
    // Ten digits at most; a value beyond 32 bits counts as 0.
    EXPECT_EQ(sock->Transaction("four"), "99999999999 too long\r\n");
    EXPECT_EQ(sock->ReplyNumber, 0);
    EXPECT_EQ(statuses, (std::vector<std::string>{"250 ok\r\n", "abc\r\n", "99999 x\r\n",
                                                  "99999999999 too long\r\n"}));
    sock->Disconnect();
}

TEST(PsockFilterHeader, WritesTheHeaderAndLeavesTheBody) {
    Server server([](Connection& c) {
        c.Send("A: 1\r\n\r\nbody");
        c.Pause(30);
    });
    auto sock = connectTo(server);
    TMemoryStream header;
    sock->FilterHeader(header);
    EXPECT_EQ(header.DataString(), "A: 1\r\n\r\n");
    std::string body;
    sock->CaptureString(body, -1);
    EXPECT_EQ(body, "body");
    sock->Disconnect();

    Server truncated([](Connection& c) { c.Send("B: 2\nC: 3"); });
    sock = connectTo(truncated);
    TMemoryStream partial;
    sock->FilterHeader(partial);
    EXPECT_EQ(partial.DataString(), "B: 2\n");
    sock->Disconnect();
}

TEST(PsockInput, DataAvailableAndClearInput) {
    Server server([](Connection& c) {
        c.Send("junk");
        c.ReadUntil("go");
        c.Send("next");
        c.ReadUntilClosed();
    });
    auto sock = connectTo(server);
    ASSERT_TRUE(waitUntil([&] { return sock->DataAvailable(); }, 2000));
    sock->ClearInput();
    EXPECT_FALSE(sock->DataAvailable());
    sock->Write("go");
    EXPECT_EQ(sock->Read(4), "next");
    sock->Disconnect();
}

} // namespace
