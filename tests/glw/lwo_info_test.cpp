// kinetta-lwo-info run as a program on files written here.
#include "lwo_builder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using namespace lwo_test;
namespace fs = std::filesystem;

struct ToolRun {
    int exitCode = -1;
    std::string out, err;
};

class LwoInfoTool : public ::testing::Test {
protected:
    void SetUp() override
    {
#ifndef KINETTA_LWO_INFO
        GTEST_SKIP() << "kinetta-lwo-info is not built";
#endif
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        fs::remove_all(m_dir);
    }

    std::string Write(const std::string& name, const Bytes& bytes)
    {
        std::ofstream(m_dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return "'" + (m_dir / name).string() + "'";
    }

    ToolRun Tool(const std::string& arguments)
    {
        ToolRun run;
#ifdef KINETTA_LWO_INFO
        const fs::path err = m_dir / "stderr";
        FILE* pipe = popen(
            ("'" KINETTA_LWO_INFO "' " + arguments + " 2>'" + err.string() + "'").c_str(), "r");
        char buffer[4096];
        for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            run.out.append(buffer, n);
        const int status = pipe ? pclose(pipe) : -1;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::ifstream in(err);
        run.err.assign(std::istreambuf_iterator<char>(in), {});
#endif
        return run;
    }

    const fs::path m_dir =
        fs::path(::testing::TempDir()) / ("lwo_info_" + std::to_string(getpid()));
};

TEST_F(LwoInfoTool, PrintsEverySurfaceAsJsonWithNamesEscaped)
{
    const Bytes file = Lwob(
        {Chunk("SRFS", Names({"Face", "say \"hi\"\\\n\x01", "caf\xE9", "caf\xC3\xA9"})),
         Chunk("PNTS", Points({{0.5f, 1, 0.15f}, {-0.5f, 1, 0.15f}, {-0.5f, -1, 0.15f}})),
         Chunk("POLS", Polygon({0, 1, 2}, 1)),
         Chunk("SURF", Surf("Face", {Sub("COLR", {200, 0, 255, 0}), Sub("FLAG", Bytes{}.U16(0)),
                                     Sub("GLOS", Bytes{}.U16(64))}))});
    const ToolRun run = Tool(Write("model.lwo", file));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find("    },")), R"({
  "surfaces": [
    {
      "name": "Face",
      "colour": [0.78125, 0, 0.99609375],
      "smooth": false,
      "shininess": 43,
      "vertices": 3,
      "indices": 3,
      "firstTriangle": [[-0.5, -1, -0.15], [-0.5, 1, -0.15], [0.5, 1, -0.15]]
)");
    EXPECT_NE(run.out.find(R"("name": "say \"hi\"\\\n\u0001",)"), std::string::npos);
    EXPECT_NE(run.out.find(R"("name": "caf\u00e9",)"),
              std::string::npos);  // not UTF-8: read as Latin-1
    EXPECT_NE(run.out.find("\"name\": \"caf\xC3\xA9\","), std::string::npos);
    EXPECT_NE(run.out.find(R"("firstTriangle": null)"), std::string::npos);
    EXPECT_TRUE(run.out.ends_with("null\n    }\n  ]\n}\n"));
}

TEST_F(LwoInfoTool, RefusesWhatIsNotAnLwobFileWithAMessage)
{
    Bytes lwo2 = Lwob({});
    std::memcpy(lwo2.data() + 8, "LWO2", 4);
    const std::string text = Write("text.lwo", {'h', 'i'}), newer = Write("new.lwo", lwo2);
    for (const std::string& arguments :
         {text, newer, Write("x", {}) + "-missing", "'" + m_dir.string() + "'"}) {
        const ToolRun run = Tool(arguments);
        EXPECT_EQ(run.exitCode, 1) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
        EXPECT_EQ(run.err.rfind("kinetta-lwo-info: ", 0), 0u) << arguments;
    }
    EXPECT_NE(Tool(text).err.find("not a LightWave object"), std::string::npos);
    EXPECT_NE(Tool(newer).err.find("LWO2"), std::string::npos);
    EXPECT_EQ(Tool("").exitCode, 2);
    EXPECT_EQ(Tool("a b").exitCode, 2);
    EXPECT_EQ(Tool(Write("empty.lwo", Lwob({}))).out, "{\n  \"surfaces\": []\n}\n");
}

}  // namespace
