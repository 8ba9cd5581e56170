// What one emulated thread switch costs: a cross-thread SendMessage round trip on the device,
// beside the baseline of two host threads handing a turn back and forth with a condition variable.
#include "platform/api/WinBase.h"
#include "platform/api/WinUser.h"
#include "platform/emu/Device.h"
#include "platform/emu/Process.h"
#include "tests/support/TempFolder.h"

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <mutex>
#include <sstream>
#include <thread>

namespace {

LRESULT echoProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_USER)
        return static_cast<LRESULT>(wParam + 1);
    return DefWindowProc(hwnd, message, wParam, lParam);
}

struct Rounds {
    long count;
    HWND echo { nullptr };
};

DWORD echoThread(LPVOID parameter)
{
    auto& rounds = *static_cast<Rounds*>(parameter);
    WNDCLASS windowClass {};
    windowClass.lpfnWndProc = echoProcedure;
    windowClass.lpszClassName = u"ECHO";
    RegisterClass(&windowClass);
    rounds.echo = CreateWindowEx(0, u"ECHO", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0))
        DispatchMessage(&msg);
    return 0;
}

void deviceSendRoundTrip(benchmark::State& state)
{
    testing_support::TempFolder folder;
    std::ostringstream log;
    emu::Transcript transcript(log);
    emu::Device device(folder.path(), emu::DeviceProfile {}, transcript);
    Rounds rounds { 0 };
    device.installProgram(u"\\Windows\\bench.exe", [&](HINSTANCE, const std::u16string&) {
        DWORD threadId = 0;
        const HANDLE thread = CreateThread(nullptr, 0, echoThread, &rounds, 0, &threadId);
        while (!rounds.echo)
            Sleep(0);
        for (long i = 0; i < rounds.count; ++i)
            SendMessage(rounds.echo, WM_USER, static_cast<WPARAM>(i), 0);
        PostThreadMessage(threadId, WM_QUIT, 0, 0);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        return 0;
    });
    for (auto _ : state) {
        state.PauseTiming();
        rounds = Rounds { state.range(0) };
        const auto process = device.startProgram(u"bench", u"");
        state.ResumeTiming();
        device.runUntil([&] { return process->finished(); }, std::nullopt);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetLabel("suite: device SendMessage across threads");
}

void hostConditionVariablePingPong(benchmark::State& state)
{
    for (auto _ : state) {
        std::mutex mutex;
        std::condition_variable turn;
        bool serverTurn = false;
        long remaining = state.range(0);
        std::thread server([&] {
            std::unique_lock lock(mutex);
            for (long i = 0; i < remaining; ++i) {
                turn.wait(lock, [&] { return serverTurn; });
                serverTurn = false;
                turn.notify_all();
            }
        });
        {
            std::unique_lock lock(mutex);
            for (long i = 0; i < remaining; ++i) {
                serverTurn = true;
                turn.notify_all();
                turn.wait(lock, [&] { return !serverTurn; });
            }
        }
        server.join();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetLabel("baseline: host threads, condition variable");
}

}

BENCHMARK(deviceSendRoundTrip)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(hostConditionVariablePingPong)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
