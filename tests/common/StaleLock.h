#pragma once
// The lock file a run of the program leaves beside its temporary data file
// when it is killed: taken by a process that then ends without unlocking.
#include "TempDataFile.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QLockFile>

#include <sys/wait.h>
#include <unistd.h>

inline void LeaveStaleLock(const QString &tempFile)
{
    const QString name = TempLockName(tempFile);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        QLockFile lock(name);
        _exit(lock.tryLock(0) ? 0 : 1);  // no destructor: the lock file stays
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(QFileInfo::exists(name));
}
