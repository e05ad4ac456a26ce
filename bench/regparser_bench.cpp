// Reading a settings file with many values (or subkeys) in one key: the time per
// entry must stay flat as the key grows (it grew with the key's size before).
#include <benchmark/benchmark.h>

#include <string>

#include "platform/registry/regfile.h"

using namespace quillmark::registry;

namespace {

std::string ManyValues(long count)
{
    std::string text = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Many]\n";
    for (long i = 0; i < count; ++i)
        text += "\"Value" + std::to_string(i) + "\"=dword:" + std::to_string(i % 10) + "\n";
    return text;
}

std::string ManyKeys(long count)
{
    std::string text = "Windows Registry Editor Version 5.00\n\n";
    for (long i = 0; i < count; ++i)
        text += "[HKEY_CURRENT_USER\\Software\\Many\\Key" + std::to_string(i) + "]\n\"v\"=\"x\"\n";
    return text;
}

void ParseManyValues(benchmark::State& state)
{
    const std::string text = ManyValues(state.range(0));
    for (auto _ : state) {
        RegistryModel model;
        RegParseError error;
        benchmark::DoNotOptimize(ParseRegFile(text, model, error));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(ParseManyValues)->RangeMultiplier(5)->Range(400, 50000)->Unit(benchmark::kMillisecond)->Complexity();

void ParseManyKeys(benchmark::State& state)
{
    const std::string text = ManyKeys(state.range(0));
    for (auto _ : state) {
        RegistryModel model;
        RegParseError error;
        benchmark::DoNotOptimize(ParseRegFile(text, model, error));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(ParseManyKeys)->RangeMultiplier(5)->Range(400, 50000)->Unit(benchmark::kMillisecond)->Complexity();

} // namespace

BENCHMARK_MAIN();
