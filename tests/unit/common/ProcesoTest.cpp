#include "common/Proceso.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velqor {
namespace {

TEST(Proceso, CarpetaYNombreDelEjecutable) {
    EXPECT_EQ(NombreEjecutable(), "common_test");
    EXPECT_TRUE(std::filesystem::exists(UneRuta(CarpetaPrograma(), NombreEjecutable())));
    EXPECT_NE(CarpetaPrograma().back(), '/');
}

TEST(Proceso, UneRuta) {
    EXPECT_EQ(UneRuta("/a/b", "c.txt"), "/a/b/c.txt");
    EXPECT_EQ(UneRuta("/a/b/", "c.txt"), "/a/b/c.txt");
    EXPECT_EQ(UneRuta("", "c.txt"), "c.txt");
}

}  // namespace
}  // namespace velqor
