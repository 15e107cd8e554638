#include "platform/instance_lock.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <unistd.h>

using lumivex::InstanceLock;

class InstanceLockTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("XDG_RUNTIME_DIR", m_runtime.path().c_str(), 1); }
    void TearDown() override { unsetenv("XDG_RUNTIME_DIR"); }
    lumivex::testing::TempDir m_runtime;
};

TEST_F(InstanceLockTest, SecondHolderIsRefusedUntilTheFirstIsGone)
{
    auto first = std::make_unique<InstanceLock>();
    ASSERT_TRUE(first->tryAcquire());
    InstanceLock second;
    EXPECT_FALSE(second.tryAcquire());
    EXPECT_FALSE(second.isHeld());
    EXPECT_TRUE(first->isHeld());
    first.reset();
    EXPECT_TRUE(second.tryAcquire());
}

TEST_F(InstanceLockTest, LivesInTheRuntimeFolderUnderItsName)
{
    EXPECT_EQ(InstanceLock::lockPath("RunOnlyOneInstance"), m_runtime.path() / "RunOnlyOneInstance.lock");
    InstanceLock other("SomethingElse");
    InstanceLock panel;
    EXPECT_TRUE(other.tryAcquire());
    EXPECT_TRUE(panel.tryAcquire());  // different names do not exclude each other
}

TEST_F(InstanceLockTest, WithoutARuntimeFolderTheTempFolderCarriesTheUserId)
{
    unsetenv("XDG_RUNTIME_DIR");
    const auto path = InstanceLock::lockPath("RunOnlyOneInstance");
    EXPECT_EQ(path.filename().string(), "RunOnlyOneInstance-" + std::to_string(getuid()) + ".lock");
    setenv("XDG_RUNTIME_DIR", "relative/dir", 1);
    EXPECT_EQ(InstanceLock::lockPath("X").parent_path(), path.parent_path());
}
