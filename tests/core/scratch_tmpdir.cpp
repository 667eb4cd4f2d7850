// The store makes a temporary file whenever it is created; in the tests they
// all go to one scratch folder that disappears with the test run.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>

namespace {

class ScratchTemporaryFolder : public ::testing::Environment {
public:
    void SetUp() override
    {
        m_old = qgetenv("TMPDIR");
        m_had = qEnvironmentVariableIsSet("TMPDIR");
        m_dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(m_dir->isValid());
        qputenv("TMPDIR", QFile::encodeName(m_dir->path()));
    }
    void TearDown() override
    {
        if (m_had)
            qputenv("TMPDIR", m_old);
        else
            qunsetenv("TMPDIR");
        m_dir.reset();
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_old;
    bool m_had = false;
};

const auto *const registered = ::testing::AddGlobalTestEnvironment(new ScratchTemporaryFolder);

}  // namespace
