#pragma once
// OpenGL and GLU objects with one owner each, deleted when the owner goes.
// Every owner must go while the context that made its object is current.

#include "glw/model.h"
#include "glw/texture_loader.h"

#include <GL/glu.h>

#include <memory>
#include <utility>

// A texture name; 0 owns nothing.
class OwnedTexture {
public:
    OwnedTexture() = default;
    explicit OwnedTexture(GLuint name) : m_name(name) {}
    ~OwnedTexture() { glw::DeleteTexture(m_name); }
    OwnedTexture(OwnedTexture&& other) noexcept : m_name(std::exchange(other.m_name, 0)) {}
    OwnedTexture& operator=(OwnedTexture&& other) noexcept
    {
        std::swap(m_name, other.m_name);
        return *this;
    }
    GLuint Name() const { return m_name; }

private:
    GLuint m_name = 0;
};

// One display list; 0 owns nothing.
class OwnedDisplayList {
public:
    OwnedDisplayList() = default;
    explicit OwnedDisplayList(GLuint list) : m_list(list) {}
    ~OwnedDisplayList()
    {
        if (m_list != 0)
            glDeleteLists(m_list, 1);
    }
    OwnedDisplayList(OwnedDisplayList&& other) noexcept : m_list(std::exchange(other.m_list, 0)) {}
    OwnedDisplayList& operator=(OwnedDisplayList&& other) noexcept
    {
        std::swap(m_list, other.m_list);
        return *this;
    }
    GLuint Name() const { return m_list; }

private:
    GLuint m_list = 0;
};

struct QuadricDeleter {
    void operator()(GLUquadric* quadric) const { gluDeleteQuadric(quadric); }
};
using OwnedQuadric = std::unique_ptr<GLUquadric, QuadricDeleter>;

// A body model gives its buffer objects back, through the entry points of
// the context that made them, before it is deleted.
struct ModelDeleter {
    const glw::GlProcs* procs = nullptr;

    template <typename Model>
    void operator()(Model* model) const
    {
        if (procs != nullptr)
            model->ReleaseBuffers(*procs);
        delete model;
    }
};
template <typename Model>
using OwnedModel = std::unique_ptr<Model, ModelDeleter>;
