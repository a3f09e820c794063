// seasky-chart: draws a chart described in JSON into a PNG or SVG file, with
// Qt Charts, offscreen. The seasky command calls it for `sweep --plot`, so that
// the command itself does not load Qt on every run.
//
// Usage: seasky-chart CHART.json OUTPUT.png|OUTPUT.svg
// CHART.json: {"title": "...", "xLabel": "...", "yLabel": "...",
//              "series": [{"name": "V", "x": [...], "y": [...]}, ...]}
// Exit status 0 on success; 2 with a message on standard error otherwise.
#include <fstream>
#include <iostream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "plot/chart_file.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: seasky-chart CHART.json OUTPUT.png|OUTPUT.svg\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << "seasky-chart: cannot read " << argv[1] << '\n';
        return 2;
    }
    seasky::plot::Chart chart;
    try {
        const nlohmann::json j = nlohmann::json::parse(in);
        chart.title = j.value("title", "");
        chart.xLabel = j.value("xLabel", "");
        chart.yLabel = j.value("yLabel", "");
        for (const nlohmann::json& s : j.at("series"))
            chart.series.push_back({s.at("name").get<std::string>(), s.at("x").get<std::vector<double>>(),
                                    s.at("y").get<std::vector<double>>()});
    } catch (const nlohmann::json::exception& e) {
        std::cerr << "seasky-chart: " << argv[1] << ": " << e.what() << '\n';
        return 2;
    }
    const std::string failure = seasky::plot::WriteChart(chart, argv[2]);
    if (!failure.empty()) {
        std::cerr << "seasky-chart: " << failure << '\n';
        return 2;
    }
    return 0;
}
